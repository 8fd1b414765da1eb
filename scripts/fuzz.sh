#!/usr/bin/env bash
# Builds the fuzzers with clang and runs them for about SECONDS in all
# (default 60), seeded with the test archives.  Inputs that once failed, kept
# in fuzz/regressions/<target>/, are replayed first.  A crash or any
# sanitizer report fails the run (the sanitizers are built not to go on after
# one, and the logs are searched as well) and leaves its input in
# build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
# Any line a sanitizer or libFuzzer starts a report with.
report='runtime error:|ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|SUMMARY: [A-Za-z]*Sanitizer'
total=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DMORVANE_FUZZ=ON -DMORVANE_WITH_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(archive_fuzz command_fuzz)
for part in fuzz/*.cmake; do
  targets+=($(sed -n 's/.*add_executable(\([a-z_]*fuzz\).*/\1/p' "$part"))
done
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}" >/dev/null

art=build-fuzz/artifacts
mkdir -p "$art"
each=$(( total / ${#targets[@]} ))
[ "$each" -ge 5 ] || each=5
for t in "${targets[@]}"; do
  seeds=build-fuzz/seeds/$t
  mkdir -p "$seeds"
  if [ "$t" = command_fuzz ]; then
    printf 'x -c "/a b/c.lzh" "/out/" "x y.txt"' > "$seeds/x"
    printf 'a -o7 arc.lzh dir/ *.txt' > "$seeds/a"
  else
    find tests/corpus -type f ! -name '*.json' ! -name '*.md' -size -300k -exec cp -n {} "$seeds/" \;
  fi
  if [ "$t" = decode_fuzz ]; then
    # Real -lh2- and -lh3- data in the target's own form (its method's
    # place in decode_fuzz.cpp's list, the size, the data): a start deep in
    # the formats that random bytes seldom reach.
    python3 - "$seeds" <<'PY'
import struct, sys
for method, pick in (("lh2", 14), ("lh3", 15), ("lh2_early", 17)):
    data = open(f"tests/corpus/jlha_lh23/{method}.lzh", "rb").read()
    at = n = 0
    while at < len(data) and data[at]:  # level-2 headers: the size first, the sizes at 7 and 11
        size, packed, original = struct.unpack_from("<H", data, at)[0], *struct.unpack_from("<II", data, at + 7)
        body = data[at + size:at + size + packed][:4096]
        seed = bytes([pick]) + min(original, 0xFFFFFF).to_bytes(3, "little") + body
        open(f"{sys.argv[1]}/{method}-{n}", "wb").write(seed)
        at, n = at + size + packed, n + 1
PY
  fi
  if [ -d "fuzz/regressions/$t" ] && [ -n "$(ls -A "fuzz/regressions/$t")" ]; then
    echo "fuzz: $t replays fuzz/regressions/$t"
    if ! "build-fuzz/$t" -runs=0 "fuzz/regressions/$t"/* >"build-fuzz/$t.replay.log" 2>&1 ||
       grep -Eq "$report" "build-fuzz/$t.replay.log"; then
      { grep -E -A 20 "$report" "build-fuzz/$t.replay.log" || tail -n 20 "build-fuzz/$t.replay.log"; } | head -n 40 >&2 || true
      echo "fuzz: $t fails on a kept regression input (build-fuzz/$t.replay.log)" >&2
      exit 1
    fi
  fi
  echo "fuzz: $t for ${each}s"
  if ! "build-fuzz/$t" -max_total_time="$each" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$art/$t-" \
       -print_final_stats=0 "$seeds" >"build-fuzz/$t.log" 2>&1 ||
     grep -Eq "$report" "build-fuzz/$t.log"; then
    grep -E -m 1 -A 40 "$report" "build-fuzz/$t.log" >&2 || tail -n 40 "build-fuzz/$t.log" >&2
    echo "fuzz: $t found a failure; its input is in $art/ (copy it to fuzz/regressions/$t/ once fixed)" >&2
    exit 1
  fi
  grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units' "build-fuzz/$t.log" | tail -n 1 || true
done
rm -f /dev/shm/unlha-fuzz-*.lzh

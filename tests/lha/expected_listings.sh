#!/usr/bin/env bash
# Compares `lha l`, `lha v`, `lha lq`, `lha vq` and `lha t` with what the
# classic Unix lha printed for every archive of the corpus, byte for byte:
# standard output and error together, then the line "exit N".
#
#   expected_listings.sh LHA CORPUS_DIR EXPECTED_DIR
#
# EXPECTED_DIR/<folder>/<archive>.<key>.txt holds the classic output for
# CORPUS_DIR/<folder>/<archive>.  Only the files that end in "exit 0" are
# compared: where the classic tool failed, its text is its own business.
#
# The conditions they were made under: TZ=UTC, LC_ALL=C.UTF-8, the archive
# alone in a folder with its time set to 2024-01-01 00:00 UTC (the Total line
# shows it), run there by its bare name, the clock at 2026-12-08 (stamps of
# the last six months show the time of day, older ones the year).
set -u
lha=$(realpath "$1")
corpus=$(realpath "$2")
expected=$(realpath "$3")

# libfaketime itself, not its `faketime` wrapper: the wrapper keeps a named
# semaphore per process id, and one left by a killed run makes a later
# wrapper with the same id fail ("sem_open: File exists").
libfaketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
[ -n "$libfaketime" ] || { echo "expected_listings: libfaketime is missing (scripts/install-deps.sh test)"; exit 1; }
# Runs the command after it with the clock at $1 (UTC).
at_clock() { local when=$1; shift; LD_PRELOAD=$libfaketime FAKETIME="@$when" "$@"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Only the clock is faked: libfaketime would otherwise shift the archive's
# own time (the Total line) by as much as it moves the clock.
export NO_FAKE_STAT=1
# The fixed clock must reach lha: the Total line shows an archive time from
# a month before the clock with the time of day, but its year after 2030.
sample=$corpus/lha213/lh0.lzh
cp "$sample" "$work/clock.lzh"
TZ=UTC touch -d '2026-11-01 10:20:00' "$work/clock.lzh"
total() { TZ=UTC at_clock "$1" "$lha" l "$work/clock.lzh" | tail -n 1 | cut -c39-; }
[ "$(total '2026-12-08 12:00:00')" = "Nov  1 10:20" ] && [ "$(total '2030-06-01 12:00:00')" = "Nov  1  2026" ] ||
  { echo "expected_listings: faketime does not set lha's clock ($(total '2030-06-01 12:00:00'))"; exit 1; }

# Known differences, each with its kind and why (known_differences.txt).
declare -A known=()
while IFS='|' read -r name kind why; do
  [ -n "$name" ] && known[$name]="$kind: $why"
done < <(grep -v '^#' "$(dirname "$0")/known_differences.txt")
# A difference held by a command-line case must name one that is there.
for name in "${!known[@]}"; do
  [[ $name != tests/cli/* ]] || [ -f "$(dirname "$0")/../../$name/cmd" ] ||
    { echo "expected_listings: known_differences.txt names $name, which is no case"; exit 1; }
done

compared=0 matched=0 failed=0 ours=0
failures=()
while IFS= read -r -d '' want; do
  [ "$(tail -n 1 "$want")" = "exit 0" ] || continue
  rel=${want#"$expected"/}
  key=${rel%.txt}; key=${key##*.}
  archive_rel=${rel%."$key".txt}
  archive="$corpus/$archive_rel"
  compared=$((compared + 1))
  if [ ! -f "$archive" ]; then
    failures+=("$rel: no archive $archive_rel in the corpus")
    failed=$((failed + 1))
    continue
  fi

  dir="$work/$compared"
  mkdir "$dir"
  name=$(basename "$archive")
  cp "$archive" "$dir/$name"
  TZ=UTC touch -d '2024-01-01 00:00:00' "$dir/$name"
  got="$work/got.txt"
  ( cd "$dir" && TZ=UTC LC_ALL=C.UTF-8 at_clock '2026-12-08 12:00:00' "$lha" "$key" "$name" >"$got" 2>&1
    echo "exit $?" >>"$got" )
  rm -rf "$dir"

  # An archive named alone stands for its four listings, not its t.
  why=${known[$rel]:-}
  [ "$key" = t ] || why=${why:-${known[$archive_rel]:-}}
  if cmp -s "$want" "$got"; then
    if [ -n "$why" ]; then
      failures+=("$rel matches but is listed in known_differences.txt ($why): drop it there")
      failed=$((failed + 1))
    else
      matched=$((matched + 1))
    fi
  elif [ -n "$why" ]; then
    ours=$((ours + 1))
  else
    failed=$((failed + 1))
    failures+=("$rel differs:"$'\n'"$(diff -u --label expected --label lha "$want" "$got" | head -n 20)")
  fi
done < <(find "$expected" -type f \( -name '*.l.txt' -o -name '*.v.txt' -o -name '*.lq.txt' -o -name '*.vq.txt' -o -name '*.t.txt' \) -print0 | sort -z)

for f in "${failures[@]}"; do printf '%s\n' "$f"; done
echo "expected_listings: $matched of $compared outputs match;" \
  "$ours differ where this lha is right (known_differences.txt); $failed failures"
[ "$compared" -gt 0 ] && [ "$failed" -eq 0 ]

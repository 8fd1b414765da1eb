#!/usr/bin/env bash
# Round trips through build/lha: at header levels 0, 1 and 2 with each
# method, what lha writes is tested clean by lhasa, 7zz and bsdtar and
# extracted by them byte for byte; then every key and the common modifiers,
# the exit statuses, and the safety of extraction.  (The per-member lines
# are command-line cases: tests/cli/lha/per-member-lines.)
#
#   round_trips.sh LHA
set -u
lha=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for tool in lhasa 7zz bsdtar python3; do
  command -v $tool >/dev/null || { echo "round_trips: $tool is missing (scripts/install-deps.sh test)"; exit 1; }
done
export LC_ALL=C.UTF-8 TZ=UTC

# Runs lha in the folder $work/$1 with the rest as arguments; sets status, out, err.
run_in() {
  local dir=$1
  shift
  (cd "$work/$dir" && "$lha" "$@" >"$work/out" 2>"$work/err")
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}
# The files below a folder with their checksums (links as links), for comparing trees.
tree() { (cd "$1" && find . -path ./.git -prune -o -print | LC_ALL=C sort | while IFS= read -r f; do
  if [ -L "$f" ]; then echo "$f -> $(readlink "$f")"; elif [ -f "$f" ]; then echo "$f $(sha256sum <"$f" | cut -c1-16)"; else echo "$f/"; fi
done); }
# The same without the link and non-ASCII names: what lhasa and 7zz give back
# as it was (they keep names as stored bytes; 7zz makes a link a folder).
ascii_files() { tree "$1" | LC_ALL=C grep -av -e '^\./link' -e '[^ -~]'; }

mkdir -p "$work/w/src/deep/er" "$work/w/src/emptydir"
python3 - "$work/w/src" <<'EOF'
import random, sys
random.seed(7)
root = sys.argv[1]
open(root + "/text.txt", "w").write("".join("line %d of the text, value %d\n" % (i * 37 % 501, i % 17) for i in range(40000)))
open(root + "/noise.bin", "wb").write(bytes(random.getrandbits(8) for _ in range(70000)))
open(root + "/deep/er/日本語.txt", "w").write("名前は日本語\n" * 300)
open(root + "/deep/ソ連.txt", "w").write("second byte 0x5C\n")
EOF
: >"$work/w/src/empty"
ln -s text.txt "$work/w/src/link"
want_all=$(tree "$work/w/src")
want_ascii=$(ascii_files "$work/w/src")

# Every level with every method, and the best mode's at each: the other
# readers agree with what we wrote.
for level in 0 1 2; do
  for method in o5 o6 o7 z o5--best o6--best o7--best; do
    name="L$level$method"
    arc="$work/$name.lzh"
    best=(); [ "${method#*--}" != "$method" ] && best=(--best)
    method=${method%--best}
    run_in w "a${level}q$method" "${best[@]}" "$arc" src
    [ "$status" -eq 0 ] && [ -z "$out$err" ] || { fail "$name: a: status $status, $out $err"; continue; }
    # Level 0 has no place to say the names' code page: bsdtar is told.
    charset=(); [ "$level" = 0 ] && charset=(--options hdrcharset=CP932)
    lhasa t "$arc" >/dev/null 2>&1 || fail "$name: lhasa t"
    7zz t "$arc" >/dev/null 2>&1 || fail "$name: 7zz t"
    bsdtar "${charset[@]}" -tf "$arc" >/dev/null 2>&1 || fail "$name: bsdtar -t"
    for reader in lhasa 7zz bsdtar ours; do mkdir -p "$work/$name/$reader"; done
    (cd "$work/$name/lhasa" && lhasa xq "$arc" >/dev/null 2>&1) || fail "$name: lhasa x"
    (cd "$work/$name/7zz" && 7zz x -bd "$arc" >/dev/null 2>&1) || fail "$name: 7zz x"
    (cd "$work/$name/bsdtar" && bsdtar "${charset[@]}" -xf "$arc" 2>/dev/null) || fail "$name: bsdtar -x"
    (cd "$work/$name/ours" && "$lha" xq "$arc") || fail "$name: lha x"
    # lhasa and 7zz keep names as stored bytes, and 7zz makes no links.
    [ "$(ascii_files "$work/$name/lhasa/src")" = "$want_ascii" ] || fail "$name: lhasa extracted another tree"
    [ "$(ascii_files "$work/$name/7zz/src")" = "$want_ascii" ] || fail "$name: 7zz extracted another tree"
    [ "$(tree "$work/$name/bsdtar/src")" = "$want_all" ] || fail "$name: bsdtar extracted another tree"
    [ "$(tree "$work/$name/ours/src")" = "$want_all" ] || fail "$name: lha extracted another tree"
    # The headers are of the level asked, the text compressed as asked.
    run_in w vv "$arc"
    levels=$(grep -o '\[[0-9]\]$' "$work/out" | sort -u)
    [ "$levels" = "[$level]" ] || fail "$name: header levels $levels"
    want_method=-lh${method#o}-; [ "$method" = z ] && want_method=-lh0-
    grep -A1 '^src/text.txt$' "$work/out" | grep -q -- " $want_method " || fail "$name: text.txt is not $want_method"
    rm -rf "${work:?}/$name"
  done
done

# The generic format (level 0, no system, so no folder members and no links)
# the same way; the readers make the folders from the files' paths.
run_in w agqo5x=link "$work/G.lzh" src
[ "$status" -eq 0 ] || fail "ag: status $status, $err"
want_generic=$(grep -v -e '^\./link' -e '^\./emptydir/' <<<"$want_ascii")
for reader in "lhasa xq" "7zz x -bd" "bsdtar --options hdrcharset=CP932 -xf"; do
  mkdir -p "$work/G/${reader%% *}"
  # shellcheck disable=SC2086
  (cd "$work/G/${reader%% *}" && $reader "$work/G.lzh" >/dev/null 2>&1) || fail "G: ${reader%% *} x"
  [ "$(ascii_files "$work/G/${reader%% *}/src")" = "$want_generic" ] || fail "G: ${reader%% *} extracted another tree"
done
run_in w v "$work/G.lzh"
[ "$(grep -c '^\[generic\]' "$work/out")" -eq 5 ] || fail "G: not every member is generic: $out"

# The keys over one archive.
k="$work/k"
mkdir -p "$k/t/sub"
printf 'alpha\n' >"$k/t/a.txt"
printf 'beta\n' >"$k/t/sub/b.txt"
printf 'object\n' >"$k/t/sub/c.o"
touch -d '2020-01-01' "$k/t/a.txt" "$k/t/sub/b.txt"
run_in k aqx=*.o arc.lzh t
run_in k lq arc.lzh
[ "$(awk '{print $NF}' "$work/out" | tr '\n' ' ')" = "t/ t/a.txt t/sub/ t/sub/b.txt " ] || fail "a with x=*.o stored: $out"
# u: a file no newer than its member is kept, a newer one replaces it.
printf 'alpha, older\n' >"$k/t/a.txt"
touch -d '2019-01-01' "$k/t/a.txt"
printf 'beta, newer\n' >"$k/t/sub/b.txt"
run_in k uq arc.lzh t/a.txt t/sub/b.txt
[ "$(cd "$k" && "$lha" pq arc.lzh t/a.txt t/sub/b.txt)" = $'alpha\nbeta, newer' ] || fail "u replaced the wrong files"
# u alone takes every member whose file is here.
printf 'alpha, newest\n' >"$k/t/a.txt"
run_in k uq arc.lzh
[ "$status" -eq 0 ] && [ "$(cd "$k" && "$lha" pq arc.lzh t/a.txt)" = "alpha, newest" ] || fail "u without files: $status $err"
# p without q shows each member's name between colons.
run_in k p arc.lzh t/sub/b.txt
[ "$out" = $'::::::::\nt/sub/b.txt\n::::::::\nbeta, newer' ] || fail "p: $out"
# e as x; i drops the folders; f replaces.
run_in k eqiw=flat arc.lzh
[ -f "$k/flat/a.txt" ] && [ -f "$k/flat/b.txt" ] && [ ! -e "$k/flat/t" ] || fail "ei: $(cd "$k/flat" && find .)"
printf 'mine\n' >"$k/flat/a.txt"
run_in k eiw=flat arc.lzh t/a.txt
[ "$(cat "$k/flat/a.txt")" = mine ] || fail "e without f replaced a file"
run_in k eqifw=flat arc.lzh t/a.txt
[ "$(cat "$k/flat/a.txt")" = "alpha, newest" ] || fail "ef did not replace a file"
# n changes nothing, and says what it would do.
printf 'new\n' >"$k/t/new.txt"
before=$(tree "$k")
run_in k an arc.lzh t/a.txt t/new.txt
[ "$out" = $'REPLACE t/a.txt\nADD t/new.txt' ] || fail "an: $out"
run_in k xnw=flat arc.lzh t/a.txt
[ "$out" = "EXTRACT flat/t/a.txt" ] || fail "xn: $out"
run_in k mn arc.lzh t/sub/c.o
run_in k dn arc.lzh t/a.txt
[ "$err" = "LHa: delete t/a.txt" ] || fail "dn: $err"
[ "$(tree "$k")" = "$before" ] || fail "n changed files"
# d deletes and copies the rest as they were.
run_in k d arc.lzh t/a.txt
[ "$status" -eq 0 ] && [ "$err" = "LHa: delete t/a.txt" ] || fail "d: $status $err"
# (u alone took the new c.o too: its folder is a member.)
[ "$(cd "$k" && "$lha" lq arc.lzh | awk '{print $NF}' | tr '\n' ' ')" = "t/ t/sub/ t/sub/b.txt t/sub/c.o " ] || fail "d left $(cd "$k" && "$lha" lq arc.lzh)"
# m moves; c makes the archive anew.
mkdir -p "$k/mv/e"
printf 'moved\n' >"$k/mv/f.txt"
run_in k mq arc.lzh mv
[ "$status" -eq 0 ] && [ ! -e "$k/mv" ] && [ "$(cd "$k" && "$lha" pq arc.lzh mv/f.txt)" = moved ] || fail "m: $status $err"
run_in k cq arc.lzh t/sub/c.o
[ "$(cd "$k" && "$lha" lq arc.lzh | awk '{print $NF}')" = t/sub/c.o ] || fail "c kept old members"

# The archive is never added to itself, and that is no failure.
mkdir "$k/self" && printf 'f\n' >"$k/self/f"
run_in k/self aq self.lzh .
run_in k/self aq self.lzh .
[ "$status" -eq 0 ] && [ "$(cd "$k/self" && "$lha" lq self.lzh | awk '{print $NF}')" = f ] || fail "a of the archive's folder: $status $err"

# Failures: one line each, a non-zero status, nothing changed.
long=$(printf 'n%.0s' {1..230})  # too long for a level-0 header
: >"$k/$long"
before=$(tree "$k")
for args in "a arc.lzh" "a arc.lzh missing.txt" "x missing.lzh" "t missing.lzh" "a0q arc.lzh $long"; do
  # shellcheck disable=SC2086
  run_in k $args
  [ "$status" -ne 0 ] && [ -n "$err" ] || fail "lha $args: status $status, $err"
done
[ "$(tree "$k" | grep -v arc.lzh)" = "$(grep -v arc.lzh <<<"$before")" ] || fail "a failing command changed the folder"
# A damaged member: t and x fail, and x leaves no part of it.
cp "$k/arc.lzh" "$k/bad.lzh"
python3 - "$k/bad.lzh" <<'EOF'
import sys
p = sys.argv[1]
b = bytearray(open(p, "rb").read())
i = b.rfind(b"object")
b[i] ^= 0x20
open(p, "wb").write(b)
EOF
run_in k t bad.lzh
[ "$status" -ne 0 ] && grep -q CRC "$work/err" || fail "t of a damaged member: $status $err"
run_in k xqw=bad bad.lzh
[ "$status" -ne 0 ] && [ ! -e "$k/bad/t/sub/c.o" ] || fail "x of a damaged member: $status, $(ls -R "$k/bad")"
# Hostile paths stay inside the folder.
mkdir -p "$k/h/a/b"
cp "$(dirname "$0")/../corpus/regression/dotdot.lzh" "$k/h/"
run_in k/h xfw=a/b dotdot.lzh
[ "$status" -ne 0 ] && [ "$(cd "$k/h" && find . -name 'evil*')" = "" ] || fail "dotdot.lzh: $status, $(cd "$k/h" && find .)"

[ "$failures" -eq 0 ] && echo "round_trips: all checks passed"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# build/lha as a program: help and version, one line and a non-zero status
# for every mistake, keys this version refuses touching nothing, and
# `cmake --install` putting lha beside unlha.
#
#   command_line.sh BUILD_DIR CORPUS_DIR
set -u
build=$(realpath "$1")
corpus=$(realpath "$2")
lha="$build/lha"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs lha in $work/run with the given arguments; sets status, out, err.
run() {
  (cd "$work/run" && "$lha" "$@" >"$work/out" 2>"$work/err")
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

# A refusal: non-zero, nothing on standard output, exactly one line on error.
refused() {
  run "$@"
  [ "$status" -ne 0 ] || fail "lha $*: exit 0"
  [ -z "$out" ] || fail "lha $*: printed on standard output: $out"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "lha $*: not one line on standard error: $err"
}

mkdir "$work/run"
cp "$corpus/lha_unix114i/h2_subdir.lzh" "$work/run/a.lzh"
printf 'hello\n' >"$work/run/new.txt"

run --help
[ "$status" -eq 0 ] && grep -q '^usage: lha \[-\]KEY\[MODIFIERS\] ARCHIVE \[FILE...\]$' "$work/out" ||
  fail "--help: status $status, $out"
run --version
[ "$status" -eq 0 ] && [ "$(wc -l <"$work/out")" -eq 1 ] || fail "--version: status $status, $out"

refused
refused k a.lzh
refused lK a.lzh
refused l -y a.lzh
refused ao4 a.lzh new.txt
refused -l
refused --bogus a.lzh
refused l missing.lzh

# Keys that need what this version lacks are refused, and nothing changes:
# the archive keeps its bytes, no file appears or goes.
before=$(cd "$work/run" && ls -la --time-style=+%s; sha256sum a.lzh new.txt)
for args in "a a.lzh new.txt" "u a.lzh new.txt" "m a.lzh new.txt" "c b.lzh new.txt" "x a.lzh" "e a.lzh" \
            "t a.lzh" "p a.lzh" "d a.lzh subdir/subdir2/hello.txt" "xfw=out a.lzh"; do
  # shellcheck disable=SC2086
  refused $args
  key=${args%% *}
  grep -q "'${key:0:1}'" "$work/err" || fail "lha $args: the message does not name the key: $err"
done
after=$(cd "$work/run" && ls -la --time-style=+%s; sha256sum a.lzh new.txt)
[ "$before" = "$after" ] || fail "a refused key changed the folder:"$'\n'"$before"$'\n'"$after"

# The lone archive name lists it, as l does.
run l a.lzh
l_out=$out
run a.lzh
[ "$status" -eq 0 ] && [ "$out" = "$l_out" ] && [ -n "$out" ] || fail "lha a.lzh does not list as lha l a.lzh"

# "-" reads the archive from standard input when that is a file; a pipe,
# which the listing cannot seek in, is refused.
(cd "$work/run" && "$lha" l - <a.lzh >"$work/out" 2>&1) && [ "$(sed -n 3p "$work/out")" = "$(sed -n 3p <<<"$l_out")" ] ||
  fail "lha l - <a.lzh: $(cat "$work/out")"
(cd "$work/run" && cat a.lzh | "$lha" l - >"$work/out" 2>"$work/err") && fail "lha l - from a pipe: exit 0"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "lha l - from a pipe: $(cat "$work/err")"

# Installed beside unlha.
cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install failed"
[ -x "$work/prefix/bin/lha" ] && [ -x "$work/prefix/bin/unlha" ] || fail "lha is not installed beside unlha"
"$work/prefix/bin/lha" --version >/dev/null || fail "the installed lha does not run"

[ "$failures" -eq 0 ] && echo "command_line: all checks passed"
[ "$failures" -eq 0 ]

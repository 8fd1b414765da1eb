#!/usr/bin/env bash
# Builds the library, unlha, lha and their tests with AddressSanitizer (and
# its LeakSanitizer) and UndefinedBehaviorSanitizer into build-sanitize/, and
# runs those tests there.  Any report fails the run: a program stops at its
# first one, and every report also goes to a log that is checked after the
# tests, so that one from a tool run by a shell test (which may expect a
# failing status anyway) cannot pass unseen.
#
#   scripts/sanitize.sh [SFX_STUB]
#
# SFX_STUB is a self-extractor built without sanitizers (a static program
# cannot carry them), build/unlha-sfx by default: ./test.sh builds it first.
# The window's tests are not run here: Qt and the X libraries below it are
# not built with the sanitizers, and reports from them would not be ours.
# LeakSanitizer needs no suppressions: every leak it finds is ours.
set -euo pipefail
cd "$(dirname "$0")/.."
stub=$(realpath "${1:-build/unlha-sfx}")
[ -f "$stub" ] || { echo "sanitize: no self-extractor at $stub (cmake --build build --target unlha-sfx)" >&2; exit 1; }

# clang, as for the fuzzers: with GCC's separate runtimes UBSan ignores log_path.
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DMORVANE_SANITIZE=ON -DMORVANE_WITH_GUI=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS=-O1 -DCMAKE_CXX_FLAGS=-O1 -DMORVANE_SFX_STUB="$stub" >/dev/null
cmake --build build-sanitize -j"$(nproc)" >/dev/null

logs=$(mktemp -d /tmp/sanitize-XXXXXX)
trap 'rm -rf "$logs"' EXIT
chmod 1777 "$logs" # the hostile-archive tests run as nobody
# The allocator never asks the time to give memory back: under libfaketime
# (lha's listing tests fix the clock with it) that call re-enters malloc
# while the allocator holds its lock, and the program hangs.
export ASAN_OPTIONS="log_path=$logs/report:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:allocator_release_to_os_interval_ms=-1"
export UBSAN_OPTIONS="log_path=$logs/report:print_stacktrace=1"

status=0
ctest --test-dir build-sanitize --output-on-failure -j2 --timeout 900 || status=1
if [ -n "$(ls -A "$logs")" ]; then
  for f in "$logs"/*; do echo "--- $f"; head -n 60 "$f"; done >&2
  echo "sanitize: $(ls "$logs" | wc -l) sanitizer report(s)" >&2
  status=1
fi
[ $status = 0 ] && echo "sanitize: all tests passed under ASan, LSan and UBSan"
exit $status

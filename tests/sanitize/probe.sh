#!/usr/bin/env bash
# Each fault of the probe is reported in the sanitizers' log and stops the
# program with a failing status before it goes on.
#
#   probe.sh PROBE
set -u
probe=$1
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# Its own log folder: these reports are wanted, and must not fail the run.
export ASAN_OPTIONS="log_path=$logs/report:detect_leaks=1"
export UBSAN_OPTIONS="log_path=$logs/report"
failures=0
while IFS='|' read -r kind expected; do
  rm -f "$logs"/*
  out=$("$probe" "$kind" 2>&1)
  status=$?
  [ "$status" -ne 0 ] || { echo "FAIL: $kind: status 0"; failures=$((failures + 1)); }
  case $out in *"went on"*) echo "FAIL: $kind: the program went on after the report"; failures=$((failures + 1)) ;; esac
  if ! cat "$logs"/report.* 2>/dev/null | grep -q -- "$expected"; then
    echo "FAIL: $kind: no '$expected' in the log (output: $out)"
    failures=$((failures + 1))
  fi
done <<'KINDS'
null-memcpy|runtime error: null pointer passed as argument 2
overflow|ERROR: AddressSanitizer: heap-buffer-overflow
use-after-free|ERROR: AddressSanitizer: heap-use-after-free
leak|ERROR: LeakSanitizer: detected memory leaks
KINDS
[ "$failures" -eq 0 ] && echo "sanitizer probe: every fault reported and fatal"
exit $((failures > 0))

#!/usr/bin/env bash
# The "l" listing of every archive of tests/corpus (the manifest's and the
# hand-made ones of edge/, see edge/make-edge.py), as `unlha` prints it
# under TZ=UTC with the archive's own time set to 2024-01-01 00:00:00 UTC,
# run in the archive's folder with its bare name; the last line of each is
# "result N".  The window's listing-parser tests read the same files.
#
#   golden_listings.sh UNLHA OUTDIR          writes OUTDIR/<archive>.l.txt
#   golden_listings.sh --check UNLHA         compares with tests/corpus/listings
#
# After a deliberate change of the listing:
#   tests/lzh/golden_listings.sh build/unlha tests/corpus/listings
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
corpus=$here/../corpus
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
unlha=$(realpath "$1")
if [ $check = 1 ]; then out=$(mktemp -d); else out=$2; fi
work=$(mktemp -d)
trap 'rm -rf "$work"; [ $check = 1 ] && rm -rf "$out"' EXIT

{
  python3 -c 'import json,sys; [print(a["archive"]) for a in json.load(open(sys.argv[1]))["archives"]]' \
    "$corpus/manifest.json"
  (cd "$corpus" && ls edge/*.lzh)
} |
while IFS= read -r archive; do
  name=$(basename "$archive")
  rm -rf "$work"/*
  cp "$corpus/$archive" "$work/$name"
  touch -d '2024-01-01 00:00:00 UTC' "$work/$name"
  mkdir -p "$out/$(dirname "$archive")"
  rc=0
  (cd "$work" && TZ=UTC "$unlha" l "$name") >"$out/$archive.l.txt" 2>&1 || rc=$?
  echo "result $rc" >>"$out/$archive.l.txt"
done

if [ $check = 1 ]; then
  diff -ru "$corpus/listings" "$out" && echo "golden listings: all match"
fi

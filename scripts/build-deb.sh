#!/usr/bin/env bash
# Builds the Debian package from the repository's files as a clean checkout
# has them (a build folder or other ignored files never reach it), with
# debhelper (debian/), and puts the .deb files into OUTDIR:
# morvane_VERSION_ARCH.deb and its debug symbols, morvane-dbgsym_….deb.
#
#   scripts/build-deb.sh [OUTDIR]        OUTDIR defaults to build/deb
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/deb}")
scripts/install-deps.sh build package

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/morvane"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # What git tracks, and new files it does not ignore, as they are now.
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar -c --null -T - | tar -x -C "$work/morvane"
else
  tar -c --exclude=./.git --exclude='./build' --exclude='./build-*' . | tar -x -C "$work/morvane"
fi

(cd "$work/morvane" && dpkg-buildpackage -b -us -uc -Jauto)
mkdir -p "$out"
cp "$work"/*.deb "$out"/
ls "$out"/*.deb

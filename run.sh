#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds into build/, makes a
# sample archive with Morvane's own archiver library, and starts the window
# on it.  Extra arguments go to the program instead of the sample archive.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh build run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target morvane unlha unlha32

rm -f build/sample.lzh
(cd sample && ../build/unlha a ../build/sample.lzh *)

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
There is no display here, so the window has nowhere to appear.  Start it on
a virtual display and take a screenshot of it:
  xvfb-run -n 99 -f /tmp/morvane.xauth -s '-screen 0 1024x768x24' ./run.sh &
  sleep 15; XAUTHORITY=/tmp/morvane.xauth DISPLAY=:99 import -window root shot.png
MSG
  exit 1
fi
if [ $# -gt 0 ]; then exec build/morvane "$@"; fi
exec build/morvane "$PWD/build/sample.lzh"

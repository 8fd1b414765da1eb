#!/usr/bin/env bash
# Takes the README's screenshots of the real window under Xvfb: the sample
# archive listed, with a selection, and with the context menu open.
#   scripts/screenshots.sh [BUILD_DIR] [OUT_DIR]     (defaults: build, docs)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs}
display=:$((90 + RANDOM % 9))
rm -f "$build/sample.lzh"
(cd sample && "../$build/unlha" a "../$build/sample.lzh" *)
Xvfb "$display" -screen 0 560x400x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
"$build/morvane" "$PWD/$build/sample.lzh" >/dev/null 2>&1 &
app=$!
for _ in $(seq 50); do win=$(xdotool search --name '^Morvane' 2>/dev/null | head -n 1) && [ -n "$win" ] && break; sleep 0.2; done
sleep 1
xdotool windowmove "$win" 10 10
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5
shot() { import -window root -crop 450x360+0+0 +repage "$out/$1"; }
shot window-listing.png
# Rows 2 and 4 (Ctrl adds to the selection), clicked in the list.
read -r wx wy < <(xdotool getwindowgeometry "$win" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')
row() { echo $((wy + 47 + 13 * $1)); }
xdotool mousemove $((wx + 60)) "$(row 2)" click 1
xdotool keydown ctrl mousemove $((wx + 60)) "$(row 4)" click 1 keyup ctrl
sleep 0.5
shot window-selection.png
xdotool mousemove $((wx + 120)) "$(row 4)" click 3
sleep 0.7
shot window-context-menu.png
xdotool key Escape
echo "screenshots in $out/"

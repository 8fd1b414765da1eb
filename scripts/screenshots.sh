#!/usr/bin/env bash
# Takes the README's screenshots of the real window under Xvfb with a window
# manager, on a Japanese desktop: the sample archive (Japanese names among
# its members) listed, with a selection, and with the context menu open.
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
app=
wm=
trap 'kill $app $wm $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 0.5
# Started in the archive's folder with its bare name: the caption shows
# "sample.lzh", not where this checkout happens to be.
(cd "$build" && exec env LANG=ja_JP.UTF-8 ./morvane sample.lzh) >/dev/null 2>&1 &
app=$!
for _ in $(seq 50); do win=$(xdotool search --onlyvisible --name '^Morvane' 2>/dev/null | head -n 1) && [ -n "$win" ] && break; sleep 0.2; done
sleep 1
xdotool windowmove --sync "$win" 10 10 2>/dev/null || xdotool windowmove "$win" 10 10
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 1
shot() { import -window root -crop 450x360+0+0 +repage "$out/$1"; }
shot window-listing.png
# Rows 2 and 4 selected from the keyboard (Ctrl moves without selecting,
# Ctrl+Space adds the row), then a right click over the list.
read -r wx wy < <(xdotool getwindowgeometry "$win" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')
xdotool key End Home Down Down ctrl+Down ctrl+Down ctrl+space
sleep 0.5
shot window-selection.png
xdotool mousemove $((wx + 120)) $((wy + 150)) click 3
sleep 0.7
shot window-context-menu.png
xdotool key Escape
echo "screenshots in $out/"

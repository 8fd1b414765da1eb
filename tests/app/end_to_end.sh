#!/bin/sh
# The real program as a person uses it, under Xvfb, driven with xdotool:
# started on an archive, rows selected, 全解凍(&A) through the menu, a folder
# typed into the real Save As dialog, the files checked on disk; then one
# member deleted through the menu and the archive checked with lhasa.
#
# usage: end_to_end.sh BUILD_DIR [SCREENSHOT_DIR]
set -eu

build=$(cd "$1" && pwd)
shots=${2:-}
for tool in Xvfb xdotool jlha lhasa cmp; do
    command -v "$tool" >/dev/null || { echo "end_to_end: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d /tmp/morvane-e2e.XXXXXX)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

fail() { echo "end_to_end: $*" >&2; exit 1; }

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    tries=$1; shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# The archive: a file, a file in a folder, one more file.
mkdir -p "$work/src/docs" "$work/out" "$work/tmp"
printf 'hello\n' > "$work/src/readme.txt"
seq 1 3000 > "$work/src/docs/numbers.txt"
printf 'to be deleted\n' > "$work/src/other.txt"
(cd "$work/src" && jlha a "$work/test.lzh" readme.txt docs/numbers.txt other.txt >/dev/null)

# A private X server on a free display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
DISPLAY=:$(cat "$work/display")
export DISPLAY

cd "$work"
TMP="$work/tmp" QT_QPA_PLATFORM=xcb "$build/morvane" "$work/test.lzh" 2>"$work/morvane.log" &
app_pid=$!

title="Morvane 32bit Ver.97.08  $work/test.lzh"
wait_for 150 xdotool search --name "^$title\$" || fail "no window titled '$title'"
window=$(xdotool search --name "^$title\$" | head -n 1)
xdotool windowfocus --sync "$window"
sleep 0.5
[ -n "$shots" ] && import -window root "$shots/e2e-listing.png"

# Select every row, then extract all through the menu.
xdotool key --clearmodifiers ctrl+a
xdotool key alt+f
sleep 0.3
xdotool key a
wait_for 100 xdotool search --name "ファイル解凍" || fail "the Save As dialog did not open"
dialog=$(xdotool search --name "ファイル解凍" | head -n 1)
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "$work/out/anything.txt"
sleep 0.3
xdotool key Return
wait_for 100 test -f "$work/out/other.txt" || fail "nothing was extracted into $work/out"
for file in readme.txt docs/numbers.txt other.txt; do
    cmp "$work/src/$file" "$work/out/$file" || fail "$file differs after extraction"
done

# Delete the last member row: other.txt.
xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key --clearmodifiers ctrl+Home Down Down
xdotool key alt+f
sleep 0.3
xdotool key d
wait_for 100 sh -c "! lhasa l '$work/test.lzh' | grep -q other.txt" || fail "other.txt is still in the archive"
lhasa l "$work/test.lzh" | grep -q 'readme.txt' || fail "readme.txt went too"
lhasa l "$work/test.lzh" | grep -q 'docs/numbers.txt' || fail "docs/numbers.txt went too"

# Exit through the menu.
xdotool key alt+f
sleep 0.3
xdotool key x
wait_for 50 sh -c "! kill -0 $app_pid" || fail "the program did not end on 終了(&X)"
app_pid=
echo "end_to_end: passed"

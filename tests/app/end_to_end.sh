#!/bin/sh
# The real program as a person uses it, under Xvfb, driven with xdotool:
# started on an archive, rows selected, 全解凍(&A) through the menu, a folder
# typed into the real Save As dialog, the files checked on disk; then one
# member deleted through the menu and the archive checked with lhasa. Then
# started with two files: the Save As dialog opens in their folder, a bare
# name gets ".LZH", and both files are in the new archive.
#
# usage: end_to_end.sh BUILD_DIR [SCREENSHOT_DIR]
set -eu

build=$(cd "$1" && pwd)
shots=${2:-}
name=end_to_end
. "$(dirname "$0")/x_session.sh"
need Xvfb xdotool jlha lhasa cmp

# The archive: a file, a file in a folder, one more file.
mkdir -p "$work/src/docs" "$work/out" "$work/tmp"
printf 'hello\n' > "$work/src/readme.txt"
seq 1 3000 > "$work/src/docs/numbers.txt"
printf 'to be deleted\n' > "$work/src/other.txt"
(cd "$work/src" && jlha a "$work/test.lzh" readme.txt docs/numbers.txt other.txt >/dev/null)

start_x

cd "$work"
TMP="$work/tmp" QT_QPA_PLATFORM=xcb "$build/morvane" "$work/test.lzh" 2>"$work/morvane.log" &
app_pid=$!

title="Morvane 32bit Ver.97.08  $work/test.lzh"
wait_for 600 xdotool search --name "^$title\$" || fail "no window titled '$title'"
window=$(xdotool search --name "^$title\$" | head -n 1)
xdotool windowfocus --sync "$window"
sleep 0.5
[ -n "$shots" ] && import -window root "$shots/e2e-listing.png"

# Select every row, then extract all through the menu.
xdotool key --clearmodifiers ctrl+a
xdotool key alt+f
sleep 0.3
xdotool key a
answer_dialog "^Lha ファイル解凍\$" "$work/out/anything.txt"
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

# Started with files: they are added to an archive chosen before the window shows.
mkdir -p "$work/add"
printf 'first\n' > "$work/add/f1.txt"
printf 'second\n' > "$work/add/f2 with blank.txt"
cd "$work/add"
"$build/morvane" f1.txt "f2 with blank.txt" 2>"$work/morvane-add.log" &
app_pid=$!
answer_dialog "^Lhaﾌｧｲﾙに書込み\$" new
wait_for 100 test -f "$work/add/new.LZH" || fail "no new.LZH in the folder of the files"
wait_for 100 sh -c "lhasa l '$work/add/new.LZH' | grep -q 'f2 with blank.txt'" || fail "f2 with blank.txt was not added"
lhasa l "$work/add/new.LZH" | grep -q 'f1.txt' || fail "f1.txt was not added"
kill "$app_pid"
app_pid=
echo "$name: passed"

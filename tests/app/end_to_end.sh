#!/bin/sh
# The real program as a person uses it, under Xvfb, driven with xdotool:
# started on an archive, rows selected, 全解凍(&A) through the menu, a folder
# typed into the real Save As dialog, the files checked on disk; then one
# member deleted through the menu and the archive checked with lhasa; Return
# on the Open dialog's "*.LZH" keeps it open. Then an archive named
# download.bin: listed, a Japanese-named member read into the viewer of a
# private desktop entry (TMP's own file of that name untouched), a folder row
# deleted. Then started with two files: the Save As dialog opens in their
# folder, a bare name gets ".LZH", and both files are in the new archive.
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
focus_window "$title" "no window titled '$title'"
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

# Return on the Open dialog's pre-filled "*.LZH" filters the dialog: it stays
# open and the window keeps its archive.
xdotool key alt+f
sleep 0.3
xdotool key o
wait_for 600 xdotool search --name '^Lhaﾌｧｲﾙを読込み$' || fail "no Open dialog"
dialog=$(xdotool search --name '^Lhaﾌｧｲﾙを読込み$' | head -n 1)
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool key Return
sleep 1
xdotool search --name '^Lhaﾌｧｲﾙを読込み$' >/dev/null || fail "Return on *.LZH closed the Open dialog"
xdotool search --name "^$title\$" >/dev/null || fail "Return on *.LZH changed the window's archive"
xdotool key Escape
wait_for 100 sh -c "! xdotool search --name '^Lhaﾌｧｲﾙを読込み\$'" || fail "the Open dialog did not close on Escape"

# Exit through the menu.
xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key alt+f
sleep 0.3
xdotool key x
wait_for 50 sh -c "! kill -0 $app_pid" || fail "the program did not end on 終了(&X)"
app_pid=

# An archive named download.bin, with a Japanese name and a folder. Reading
# a member starts the desktop's viewer as its entry says and leaves the
# person's own file of that name in TMP alone; deleting the folder row takes
# the folder with its contents.
mkdir -p "$work/first/src/docs" "$work/tmp2" "$work/xdg/data/applications" "$work/xdg/config" "$work/bin"
printf 'from the archive\n' > "$work/first/src/表示テスト.txt"
printf 'a\n' > "$work/first/src/docs/a.txt"
printf 'read me\n' > "$work/first/src/README"
(cd "$work/first/src" && "$build/unlha" a "$work/first/download.bin" 表示テスト.txt docs README >/dev/null)
printf 'mine\n' > "$work/tmp2/表示テスト.txt"
cat > "$work/bin/e2e-viewer" <<VIEWER
#!/bin/sh
printf '%s|%s\\n' "\$E2E_THEME" "\$@" > "$work/viewer.part" && mv "$work/viewer.part" "$work/viewer.log"
VIEWER
chmod +x "$work/bin/e2e-viewer"
printf '[Desktop Entry]\nType=Application\nName=E2E\nExec=env E2E_THEME=x e2e-viewer %%U\nMimeType=text/plain;\n' \
    > "$work/xdg/data/applications/e2e-viewer.desktop"
printf '[Default Applications]\ntext/plain=e2e-viewer.desktop\n' > "$work/xdg/config/mimeapps.list"
cd "$work/first"
env -u XDG_CURRENT_DESKTOP TMP="$work/tmp2" XDG_DATA_HOME="$work/xdg/data" XDG_CONFIG_HOME="$work/xdg/config" \
    XDG_DATA_DIRS=/usr/share PATH="$work/bin:$PATH" "$build/morvane" download.bin 2>"$work/morvane-first.log" &
app_pid=$!
title="Morvane 32bit Ver.97.08  download.bin"
focus_window "$title" "download.bin was not listed"
[ -n "$shots" ] && import -window root "$shots/e2e-first.png"
xdotool key --clearmodifiers End Home
xdotool key alt+f
sleep 0.3
xdotool key r
wait_for 100 test -f "$work/viewer.log" || fail "no viewer was started"
grep -q '^x|file://.*%E8%A1%A8%E7%A4%BA%E3%83%86%E3%82%B9%E3%83%88\.txt$' "$work/viewer.log" ||
    fail "the viewer was given: $(cat "$work/viewer.log")"
[ "$(cat "$work/tmp2/表示テスト.txt")" = mine ] || fail "reading replaced TMP/表示テスト.txt"
copy=$(ls "$work"/tmp2/morvane-*/表示テスト.txt) || fail "no private copy in TMP"
cmp "$copy" "$work/first/src/表示テスト.txt" || fail "the private copy differs"

xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key --clearmodifiers Home Down
xdotool key alt+f
sleep 0.3
xdotool key d
wait_for 100 sh -c "! lhasa l '$work/first/download.bin' | grep -q docs/a.txt" || fail "the folder row did not delete docs/a.txt"
lhasa l "$work/first/download.bin" | grep -q README || fail "README went with the folder"
[ -n "$shots" ] && import -window root "$shots/e2e-deleted.png"
kill "$app_pid"
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

#!/bin/sh
# A command on many members in the real program, under Xvfb with a window
# manager, driven with xdotool: every row of a 3,000-member archive of small
# members selected and 削除 chosen shows the progress window within a
# second; Escape stops it part way. The archive then tests clean, and the
# members not yet deleted are exactly those in the archive and in the list
# (read back through 編集 > コピー and the clipboard).
#
# usage: many_members.sh BUILD_DIR CORPUS_DIR
set -eu

build=$(cd "$1" && pwd)
corpus=$(cd "$2" && pwd)
name=many_members
. "$(dirname "$0")/x_session.sh"
need Xvfb xdotool xclip

cp "$corpus/edge/many.lzh" "$work/many.lzh"
members() { "$build/unlha" l "$work/many.lzh" | sed -n 's/^  \(file[0-9]*\.txt\).*/\1/p' | sort; }
[ "$(members | wc -l)" -eq 3000 ] || fail "many.lzh does not hold 3000 members"

start_x
cd "$work"
"$build/morvane" "$work/many.lzh" 2>"$work/morvane.log" &
app_pid=$!
focus_window "Morvane 32bit Ver.97.08  $work/many.lzh" "many.lzh was not listed"

xdotool key --clearmodifiers ctrl+a
xdotool key alt+f
sleep 0.3
started=$(date +%s%N)
xdotool key d
title="MORVANE - 削除 - many.lzh"
wait_for 30 xdotool search --onlyvisible --name "^$title\$" || fail "no progress window '$title'"
shown_ms=$(( ($(date +%s%N) - started) / 1000000 ))
echo "$name: the progress window showed after $shown_ms ms" >>"$work/steps.log"
[ "$shown_ms" -le 1000 ] || fail "the progress window showed only after $shown_ms ms"

# Some members go, then Escape.
sleep 1
progress=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
xdotool windowfocus --sync "$progress" || fail "cannot focus the progress window"
xdotool key Escape
wait_for 50 sh -c "! xdotool search --onlyvisible --name '^$title\$'" || fail "Escape did not close the progress window"
# A call stopped part way says "err"; one stopped between calls says nothing.
if wait_for 20 xdotool search --onlyvisible --name '^MORVANE$'; then
    box=$(xdotool search --onlyvisible --name '^MORVANE$' | head -n 1)
    xdotool windowfocus --sync "$box"
    xdotool key Return
    wait_for 50 sh -c "! xdotool search --onlyvisible --name '^MORVANE\$'" || fail "the err box stayed"
fi

"$build/unlha" t "$work/many.lzh" >"$work/test.log" 2>&1 || fail "the archive does not test clean after the stop"
members >"$work/in-archive.txt"
left=$(wc -l <"$work/in-archive.txt")
[ "$left" -lt 3000 ] || fail "Escape came before any member was deleted"
[ "$left" -gt 0 ] || fail "every member was deleted: Escape stopped nothing"

# The list: every row selected and copied.
xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key --clearmodifiers ctrl+a
xdotool key alt+e
sleep 0.3
xdotool key c
sleep 0.5
xclip -o -selection clipboard >"$work/rows.txt" || fail "nothing on the clipboard"
sed -n 's/^\(file[0-9]*\.txt\) .*/\1/p' "$work/rows.txt" | sort >"$work/in-list.txt"
cmp -s "$work/in-archive.txt" "$work/in-list.txt" ||
    fail "the list ($(wc -l <"$work/in-list.txt") rows) differs from the archive ($left members)"
grep -q '^  3000 files' "$work/rows.txt" || fail "the summary row went"
kill "$app_pid"
app_pid=
echo "$name: passed ($left of 3000 left, progress after $shown_ms ms)"

#!/bin/sh
# The progress window of long work, under Xvfb with no window manager, as
# xdotool sees it: a long add at start-up (the window stands alone, the main
# window is not shown yet) and a long 全解凍(&A) through the menu (over the
# main window) each show "MORVANE - what - archive" within a second; Escape
# stops the work, "err" follows, and on disk nothing is left half-written:
# no new archive, no temporary file, no partial member, the old archive as
# it was.
#
# usage: progress_window.sh BUILD_DIR
set -eu

build=$(cd "$1" && pwd)
name=progress_window
. "$(dirname "$0")/x_session.sh"
need Xvfb xdotool truncate cmp
# The work is a gigabyte of zeros to compress and two to extract (a
# gigabyte extracts in well under a second at best, too soon to be seen and
# stopped), on a tmpfs so that the disk's speed does not decide it.
big=$(mktemp -d /dev/shm/morvane-progress.XXXXXX)
trap 'rm -rf "$big"; cleanup' EXIT INT TERM
truncate -s 1G "$big/zeros.bin"
truncate -s 2G "$big/long.bin"

start_x bare

# Waits for the window titled exactly $1 to show, then for $2 tenths of a
# second at most for it to go once Escape is pressed in it.
escape_progress() {
    wait_for 300 xdotool search --onlyvisible --name "^$1\$" || fail "no progress window '$1'"
    progress=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1)
    echo "$name: '$1' is window $progress" >>"$work/steps.log"
    xdotool windowfocus --sync "$progress" || fail "cannot focus '$1'"
    xdotool key Escape
    wait_for "$2" sh -c "! xdotool search --onlyvisible --name '^$1\$'" || fail "Escape did not close '$1'"
}

# The "err" box that a stopped call gives, closed with Return.
close_err() {
    wait_for 100 xdotool search --onlyvisible --name '^MORVANE$' || fail "no err box after the stop"
    box=$(xdotool search --onlyvisible --name '^MORVANE$' | head -n 1)
    xdotool windowfocus --sync "$box" || fail "cannot focus the err box"
    xdotool key Return
    wait_for 100 sh -c "! xdotool search --onlyvisible --name '^MORVANE\$'" || fail "the err box stayed"
}

no_temporary_files() {
    ! find "$big" -name '*.unlha-*' | grep -q .
}

# A long add at start-up, stopped.
cd "$big"
"$build/morvane" zeros.bin 2>"$work/morvane-add.log" &
app_pid=$!
answer_dialog "^Lhaﾌｧｲﾙに書込み\$" big
escape_progress "MORVANE - 書込み - big.LZH" 100
close_err
wait_for 100 xdotool search --onlyvisible --name '^Morvane 32bit Ver.97.08$' || fail "the window did not open after the stop"
[ ! -e "$big/big.LZH" ] || fail "a stopped add left big.LZH"
no_temporary_files || fail "a stopped add left a temporary file: $(find "$big" -name '*.unlha-*')"
kill "$app_pid"
app_pid=

# A long extraction of everything through the menu, stopped.
"$build/unlha" a "$big/big.lzh" long.bin >/dev/null
cp "$big/big.lzh" "$big/before.lzh"
mkdir "$big/out"
"$build/morvane" "$big/big.lzh" 2>"$work/morvane-x.log" &
app_pid=$!
focus_window "Morvane 32bit Ver.97.08  $big/big.lzh" "the archive was not listed"
xdotool key alt+f
sleep 0.3
xdotool key a
answer_dialog "^Lha ファイル解凍\$" "$big/out/anything"
escape_progress "MORVANE - 解凍 - big.lzh" 100
close_err
[ -z "$(ls -A "$big/out")" ] || fail "a stopped extraction left: $(ls -A "$big/out")"
cmp "$big/big.lzh" "$big/before.lzh" || fail "the archive changed"
kill "$app_pid"
app_pid=
echo "$name: passed"

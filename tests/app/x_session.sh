# Shared by the shell tests that drive the real program: a work folder, a
# private X server on a free display, waiting, failing, and cleaning up only
# the processes started here (by their ids). Source it after setting `name`.

work=$(mktemp -d "/tmp/morvane-$name.XXXXXX")
xvfb_pid=
wm_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

fail() {
    echo "$name: $*" >&2
    # What the programs said, and what was on the screen.
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")" >&2; tail -n 20 "$log" >&2; }
    done
    [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null &&
        { echo "--- windows" >&2; xdotool search --name . getwindowname %@ 2>/dev/null >&2; }
    exit 1
}

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is not installed"
    done
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    tries=$1; shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

start_x() {
    # -noreset: the server must outlive its first program, which the tests close.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
    DISPLAY=:$(cat "$work/display")
    export DISPLAY
    # A window manager, as on a desktop: frames, title bars, focus (unless
    # the test says "start_x bare").
    if [ "${1:-}" != bare ] && command -v openbox >/dev/null; then
        openbox --sm-disable >"$work/openbox.log" 2>&1 &
        wm_pid=$!
        sleep 0.5
    fi
}

# Waits for the window titled exactly $1 to show and gives it the focus;
# $window is its id. $2 says what failed when it does not come. (The title
# is there before the window shows, when start-up lists an archive, and a
# window not shown yet cannot take the focus.)
focus_window() {
    wait_for 600 xdotool search --onlyvisible --name "^$1\$" || fail "$2"
    window=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1)
    xdotool windowfocus --sync "$window"
    sleep 0.5
}

# Waits for the dialog titled $1 (a pattern), types $2 into its name field
# in place of what is there, and presses Return.
answer_dialog() {
    wait_for 600 xdotool search --name "$1" || fail "no dialog titled '$1'"
    dialog=$(xdotool search --name "$1" | head -n 1)
    xdotool windowfocus --sync "$dialog"
    sleep 0.3
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$2"
    sleep 0.3
    xdotool key Return
}

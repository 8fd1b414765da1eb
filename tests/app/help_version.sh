#!/bin/sh
# The real program's --help and --version: answered on standard output with
# no display at all, status 0; the version is the build's; the README named
# exists, the installed one for an installed program. With a file called
# --help in the folder, the word is that file again and the program goes on
# (here: to its Save As dialog, offscreen, until it is stopped).
#
# usage: help_version.sh BUILD_DIR VERSION
set -eu

build=$(cd "$1" && pwd)
version=$2
name=help_version
. "$(dirname "$0")/x_session.sh"

no_display() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

# $1: the program. Checks its --help and --version; $2: the README it must name.
answers() {
    no_display "$1" --help >"$work/help.txt" 2>"$work/help.log" || fail "$1 --help: status $?"
    [ ! -s "$work/help.log" ] || fail "$1 --help wrote to standard error"
    head -n 1 "$work/help.txt" | grep -qx 'usage: morvane \[ARCHIVE | FILE...\]' || fail "$1 --help: $(head -n 1 "$work/help.txt")"
    readme=$(sed -n 's/^The README: //p' "$work/help.txt")
    [ "$readme" = "$2" ] || fail "$1 --help names the README '$readme', not '$2'"
    [ -f "$readme" ] || fail "the README $readme is not there"
    [ "$(no_display "$1" --version)" = "morvane (Morvane) $version" ] || fail "$1 --version: $(no_display "$1" --version)"
}

answers "$build/morvane" "$(cd "$(dirname "$0")/../.." && pwd)/README.md"

cmake --install "$build" --prefix "$work/prefix" >/dev/null
answers "$work/prefix/bin/morvane" "$work/prefix/share/doc/morvane/README.md"
(cd "$work/prefix/bin" && PATH="$work/prefix/bin:$PATH" answers morvane "$work/prefix/share/doc/morvane/README.md")

mkdir "$work/files"
printf 'a file\n' >"$work/files/--help"
status=0
(cd "$work/files" && timeout 5 env QT_QPA_PLATFORM=offscreen "$build/morvane" --help >"$work/goes-on.txt" 2>&1) || status=$?
[ "$status" -eq 124 ] || fail "with a file called --help the program ended (status $status): $(cat "$work/goes-on.txt")"
! grep -q '^usage: morvane' "$work/goes-on.txt" || fail "with a file called --help the program printed its usage"
echo "$name: passed"

#!/bin/sh
# `cmake --install` into a private prefix, then the desktop opens an LZH
# archive (any letter case, .lzh or .lha) in the installed program:
# `xdg-open x.LZH` under Xvfb shows the window listing it, the library found
# from the installed tree.
#
# usage: install_test.sh BUILD_DIR
set -eu

build=$(cd "$1" && pwd)
name=install_test
. "$(dirname "$0")/x_session.sh"
need Xvfb xdotool xdg-mime xdg-open update-mime-database

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for file in bin/morvane share/applications/morvane.desktop share/mime/packages/morvane-lzh.xml \
            share/icons/hicolor/32x32/apps/morvane.png; do
    [ -f "$work/prefix/$file" ] || fail "$file was not installed"
done

# A desktop that knows only what was installed (and the system's MIME database).
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
export XDG_DATA_HOME="$work/home-data" XDG_CONFIG_HOME="$work/home-config"
export XDG_DATA_DIRS="$work/prefix/share:/usr/share"
export PATH="$work/prefix/bin:$PATH"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$work/files"

printf 'hello\n' > "$work/files/readme.txt"
"$build/unlha" a "$work/files/Upper Case.LZH" "$work/files/readme.txt" >/dev/null
cp "$work/files/Upper Case.LZH" "$work/files/other.lha"
for archive in "Upper Case.LZH" other.lha; do
    type=$(xdg-mime query filetype "$work/files/$archive")
    [ "$type" = application/x-lha ] || fail "$archive is $type, not application/x-lha"
done
app=$(xdg-mime query default application/x-lha)
[ "$app" = morvane.desktop ] || fail "LZH archives open in '$app', not morvane.desktop"

start_x

xdg-open "$work/files/Upper Case.LZH" >/dev/null 2>&1 &
title="Morvane 32bit Ver.97.08  $work/files/Upper Case.LZH"
wait_for 150 xdotool search --name "^$title\$" || fail "xdg-open showed no window titled '$title'"
app_pid=$(xdotool search --name "^$title\$" getwindowpid | head -n 1)
# No message box: the installed program found its library.
sleep 0.5
if xdotool search --onlyvisible --name '^MORVANE$' >/dev/null 2>&1; then
    [ -n "${SHOT:-}" ] && import -window root "$SHOT"
    fail "the installed program showed a message box"
fi
echo "$name: passed"

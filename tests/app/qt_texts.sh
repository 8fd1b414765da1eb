#!/bin/sh
# Qt's own texts in the desktop's language, as the program itself loads
# them: its Save As dialog at start-up on a Japanese desktop, once with Qt's
# translations where the system keeps them and once with none to be found
# (a qt.conf beside a copy of the program), must look different.  Both runs
# have the same locale, fonts and folder, so only the texts can differ.
#
# usage: qt_texts.sh BUILD_DIR
set -eu

build=$(cd "$1" && pwd)
name=qt_texts
. "$(dirname "$0")/x_session.sh"
need Xvfb xdotool import compare qtpaths6

start_x bare
# The dialog shows this folder, the same in both runs.
mkdir "$work/none" "$work/files"
echo text >"$work/files/note.txt"

# $1: the folder Qt's translations are read from.  Leaves the dialog's
# picture in $work/$2.png.
shoot() {
    mkdir "$work/$2"
    cp "$build/morvane" "$build/libunlha32.so" "$work/$2/"
    printf '[Paths]\nPrefix=/usr\nPlugins=%s\nTranslations=%s\n' \
        "$(qtpaths6 --query QT_INSTALL_PLUGINS)" "$1" >"$work/$2/qt.conf"
    (cd "$work/files" && LANG=ja_JP.UTF-8 LC_ALL= LC_MESSAGES= LANGUAGE= \
        exec "$work/$2/morvane" note.txt) >"$work/$2.log" 2>&1 &
    app_pid=$!
    wait_for 600 xdotool search --onlyvisible --name 'Lha' || fail "no Save As dialog ($2)"
    sleep 2   # the dialog fills its list of files
    import -window "$(xdotool search --onlyvisible --name 'Lha' | head -n 1)" "$work/$2.png"
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

shoot "$(qtpaths6 --query QT_INSTALL_TRANSLATIONS)" japanese
shoot "$work/none" untranslated
# A blinking text cursor alone changes a few dozen pixels; translated
# labels and buttons change some twenty thousand.
differ=$(compare -metric AE "$work/japanese.png" "$work/untranslated.png" null: 2>&1 || true)
[ "${differ%%.*}" -gt 6000 ] 2>/dev/null ||
    fail "the dialog looks the same with and without Qt's Japanese texts ($differ pixels differ)"
echo "$name: $differ pixels differ"

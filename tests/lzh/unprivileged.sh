#!/bin/sh
# Runs a test program as an unprivileged user when started as root.  The
# program is copied into a fresh world-readable folder first, since the
# build tree may sit where that user cannot reach it.
if [ "$(id -u)" = 0 ]; then
    dir=$(mktemp -d /tmp/unpriv-XXXXXX)
    chmod 1777 "$dir"
    prog="$dir/$(basename "$1")"
    cp "$1" "$prog" && chmod 755 "$prog"
    shift
    TMPDIR="$dir" MORVANE_DROPPED_PRIVILEGES=1 setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all "$prog" "$@"
    rc=$?
    rm -rf "$dir"
    exit $rc
fi
exec "$@"

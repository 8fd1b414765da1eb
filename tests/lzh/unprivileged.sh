#!/bin/sh
# Runs a test program as an unprivileged user when started as root.
if [ "$(id -u)" = 0 ]; then
    export TMPDIR=$(mktemp -d /tmp/unpriv-XXXXXX)
    chmod 1777 "$TMPDIR"
    setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all "$@"
    rc=$?
    rm -rf "$TMPDIR"
    exit $rc
fi
exec "$@"

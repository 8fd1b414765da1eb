#!/usr/bin/env bash
# The archive managers that run a program called lha, with build/ first on
# PATH: patool (create, list, test, extract), Midnight Commander's ulha
# (list, copyout, copyin) and File Roller under Xvfb (add to an archive, new
# and old, and extract it).  Each result is checked on disk, and a log of
# every lha the clients started shows that ours did the work.
#
#   clients.sh BUILD_DIR
set -u
build=$(realpath "$1")
name=lha-clients
# shellcheck source=../app/x_session.sh
. "$(dirname "$0")/../app/x_session.sh"
need patool file-roller dbus-run-session Xvfb
ulha=/usr/lib/mc/extfs.d/ulha
[ -x "$ulha" ] || fail "mc's $ulha is not installed"

# build/ first on PATH, behind a wrapper that notes each call.
mkdir -p "$work/bin"
cat >"$work/bin/lha" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$work/calls"
exec "$build/lha" "\$@"
EOF
chmod +x "$work/bin/lha"
export PATH="$work/bin:$build:$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
called() { grep -q -- "$1" "$work/calls" 2>/dev/null || fail "no lha call matching '$1': $(cat "$work/calls" 2>/dev/null)"; }
same() { cmp -s "$1" "$2" || fail "$1 differs from $2"; }

mkdir -p "$work/in/docs/sub" "$work/in/empty"
seq 1 20000 >"$work/in/docs/numbers.txt"
printf 'read me\n' >"$work/in/readme.txt"
printf '日本語の名前\n' >"$work/in/docs/sub/日本語.txt"

# patool
cd "$work/in" || fail "no work folder"
patool --non-interactive create "$work/p.lzh" readme.txt docs >"$work/patool.log" 2>&1 || fail "patool create"
called "^a $work/p.lzh readme.txt docs"
lhasa t "$work/p.lzh" >/dev/null || fail "lhasa does not test what patool created"
patool --non-interactive list "$work/p.lzh" >"$work/patool.log" 2>&1 || fail "patool list"
grep -q 'docs/sub/日本語.txt' "$work/patool.log" || fail "patool list does not show the Japanese name"
patool --non-interactive test "$work/p.lzh" >"$work/patool.log" 2>&1 || fail "patool test"
called "^t $work/p.lzh"
patool --non-interactive extract --outdir "$work/p-out" "$work/p.lzh" >"$work/patool.log" 2>&1 || fail "patool extract"
called "^xw=$work/p-out"
same "$work/p-out/docs/numbers.txt" docs/numbers.txt
same "$work/p-out/docs/sub/日本語.txt" docs/sub/日本語.txt
same "$work/p-out/readme.txt" readme.txt
# A damaged archive fails its test.
cp "$work/p.lzh" "$work/bad.lzh"
printf 'X' | dd of="$work/bad.lzh" bs=1 seek=$(( $(stat -c %s "$work/bad.lzh") - 40 )) conv=notrunc 2>/dev/null
patool --non-interactive test "$work/bad.lzh" >"$work/patool.log" 2>&1 && fail "patool test passed a damaged archive"

# Midnight Commander's ulha
"$ulha" list "$work/p.lzh" >"$work/ulha.log" 2>&1 || fail "ulha list"
grep -Eq '^-rw-r--r-- 1 +[0-9]+ +[0-9]+ +108894 +[A-Z][a-z]{2} +[0-9]+ +[0-9:]+ docs/numbers.txt$' "$work/ulha.log" ||
  fail "ulha list: $(cat "$work/ulha.log")"
grep -Eq '^d[rwx-]{9} 1 .* docs/sub/$' "$work/ulha.log" || fail "ulha list shows no folder: $(cat "$work/ulha.log")"
"$ulha" copyout "$work/p.lzh" docs/sub/日本語.txt "$work/copied.txt" || fail "ulha copyout"
same "$work/copied.txt" docs/sub/日本語.txt
printf 'from mc\n' >"$work/mc-file"
"$ulha" copyin "$work/p.lzh" new/in/mc.txt "$work/mc-file" || fail "ulha copyin"
called "^aq $work/p.lzh new/in/mc.txt"
[ "$(lha pq "$work/p.lzh" new/in/mc.txt)" = "from mc" ] || fail "ulha copyin did not store new/in/mc.txt"
[ ! -e "$work/new" ] || fail "ulha copyin left its folder"

# File Roller, on a private X server and session bus.
start_x
roller() {
    timeout 120 dbus-run-session -- file-roller "$@" >>"$work/file-roller.log" 2>&1 ||
        fail "file-roller $* (status $?)"
}
roller --add-to="$work/p.lzh" "$work/in/readme.txt"
called "^a .*/p.lzh readme.txt$"
roller --add-to="$work/fresh.lzh" "$work/in/docs"
[ -f "$work/fresh.lzh" ] || fail "file-roller made no new archive"
roller --force --extract-to="$work/fr-out" "$work/p.lzh"
called "^xf $work/p.lzh"
same "$work/fr-out/readme.txt" readme.txt
same "$work/fr-out/docs/numbers.txt" docs/numbers.txt
same "$work/fr-out/new/in/mc.txt" "$work/mc-file"
roller --force --extract-to="$work/fr-fresh" "$work/fresh.lzh"
same "$work/fr-fresh/docs/sub/日本語.txt" docs/sub/日本語.txt
[ -d "$work/fr-fresh/docs/sub" ] || fail "file-roller did not extract the folder"

echo "clients: patool, mc's ulha and file-roller worked through build/lha"

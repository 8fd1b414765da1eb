#!/bin/sh
# unlha's line of progress: on a terminal's standard error it is drawn over
# itself, ends at 100% of the members and is wiped at the end; where
# standard error is no terminal, nothing of it is written.
#
# usage: terminal_progress.sh UNLHA
set -eu
unlha=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'one\n' >one.txt
printf 'two\n' >two.txt

# `script` gives the command a terminal and records what it drew there.
script -qec "$unlha a tty.lzh one.txt two.txt" /dev/null >drawn
esc=$(printf '\033')
cr=$(printf '\r')
grep -q "${cr}a 100% 2/2 two.txt${esc}\[K" drawn || { echo "no last line of progress:"; od -c drawn; exit 1; }
# Wiped at the end: the last bytes clear the line.
[ "$(tail -c 4 drawn | od -An -c | tr -d ' ')" = '\r033[K' ] || { echo "the line is not wiped:"; od -c drawn; exit 1; }

"$unlha" a file.lzh one.txt two.txt 2>err >out
[ ! -s err ] || { echo "progress reached a standard error that is no terminal:"; cat err; exit 1; }
echo "terminal_progress: drawn and wiped on a terminal, silent elsewhere"

#!/usr/bin/env bash
# compare_gzip.sh FILE [RUNS] [BUILD_DIR]
# Times `gzip -6 < FILE > /dev/null` and our -lh5-, -lh6-, -lh7- on FILE,
# interleaved so a busy machine slows both alike, and prints the median
# wall times and ours as a fraction of gzip's.  Keep FILE on /dev/shm.
set -euo pipefail
file=$1
runs=${2:-5}
build=${3:-$(dirname "$0")/../../build}
bench=$build/bench_encode
[ -x "$bench" ] || { echo "no $bench: build the bench_encode target" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

now() { date +%s.%N; }
for ((i = 0; i < runs; i++)); do
    t0=$(now); gzip -6 < "$file" > /dev/null; t1=$(now)
    echo "$t1 - $t0" | bc >> "$tmp/gzip"
    for m in 5 6 7; do
        "$bench" "$file" -r 1 -m "$m" | awk -v m="$m" '$1 == "-lh" m "-" { print $5 > "'"$tmp"'/lh" m; print $3 > "'"$tmp"'/size" m }'
        cat "$tmp/lh$m" >> "$tmp/all$m"
    done
done
median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
g=$(median "$tmp/gzip")
printf '%-8s %10s %12s %8s\n' what "median s" packed "x gzip"
printf '%-8s %10.3f %12s %8s\n' "gzip -6" "$g" "$(gzip -6 < "$file" | wc -c)" 1.00
for m in 5 6 7; do
    t=$(median "$tmp/all$m")
    printf '%-8s %10.3f %12s %8.2f\n' "-lh$m-" "$t" "$(cat "$tmp/size$m")" "$(echo "$t / $g" | bc -l)"
done

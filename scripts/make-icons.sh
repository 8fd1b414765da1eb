#!/bin/sh
# The icon's PNG sizes, rendered from its one source, the scalable SVG.
#
#   scripts/make-icons.sh          writes data/icons/hicolor/NxN/apps/morvane.png
#   scripts/make-icons.sh --check  fails, naming it, when a committed PNG is
#                                  missing or differs from a fresh rendering
#
# Needs rsvg-convert (librsvg2-bin); --check also ImageMagick's compare.
set -eu
cd "$(dirname "$0")/../data/icons/hicolor"
svg=scalable/apps/morvane.svg
sizes="16 22 24 32 48 64 128 256"

if [ "${1:-}" != --check ]; then
  for n in $sizes; do
    mkdir -p "${n}x$n/apps"
    rsvg-convert -w "$n" -h "$n" "$svg" -o "${n}x$n/apps/morvane.png"
  done
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stale=0
for n in $sizes; do
  png="${n}x$n/apps/morvane.png"
  rsvg-convert -w "$n" -h "$n" "$svg" -o "$work/$n.png"
  # Pixels, not bytes: a PNG encoder may write the same image differently.
  if [ ! -f "$png" ] || [ "$(identify -format '%wx%h' "$png")" != "${n}x$n" ] ||
     [ "$(compare -metric AE -fuzz 1% "$png" "$work/$n.png" null: 2>&1)" != 0 ]; then
    echo "make-icons: $png is missing or not rendered from $svg (run scripts/make-icons.sh)" >&2
    stale=1
  fi
done
extra=$(find . -name '*.png' | grep -Ev "^\./($(echo $sizes | sed 's/\([0-9]*\)/\1x\1/g; s/ /|/g'))/apps/morvane\.png$" || true)
[ -z "$extra" ] || { echo "make-icons: PNGs no size here makes: $extra" >&2; stale=1; }
[ "$stale" -eq 0 ] && echo "make-icons: every PNG matches $svg"
[ "$stale" -eq 0 ]

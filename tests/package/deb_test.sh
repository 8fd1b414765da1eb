#!/usr/bin/env bash
# The Debian package for real.  Built from the source as a clean checkout
# has it (scripts/build-deb.sh) and checked by lintian: an error fails, and
# every warning must be one the README lists with its reason.  Then
# installed with apt, used, and purged:
# - installed: /usr/bin/lha is ours through the alternatives (the package
#   does not ship it), `man lha` is our page, man finds unlha's and
#   morvane's; xdg-mime opens LZH archives with our desktop entry; `lha a`
#   and `lha x` through /usr/bin/lha round-trip a folder of Japanese names;
# - purged: no file of the package is left, and `lha`, its manual page and
#   the MIME default are as they were.
#
# Installing needs root: elsewhere the package is built and checked, then
# the test says so and ends as skipped (status 77), as it does when Morvane
# is already installed here.  A trap purges the package whatever happens:
# /usr/bin/lha is ours only for the seconds the checks take.
#
#   deb_test.sh SOURCE_DIR VERSION
set -u
source=$(realpath "$1")
version=$2
work=$(mktemp -d)
failures=0
installed=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cleanup() {
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=600 morvane >/dev/null 2>&1 ||
      echo "deb_test: could not purge morvane: run apt-get purge morvane" >&2
  fi
  # A package whose prerm failed to unregister its lha leaves no trace either.
  if grep -qs lha-morvane /var/lib/dpkg/alternatives/lha && [ ! -e /usr/bin/lha-morvane ]; then
    update-alternatives --quiet --remove lha /usr/bin/lha-morvane
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

if dpkg-query -W -f='${Status}' morvane 2>/dev/null | grep -q 'ok installed'; then
  echo "SKIPPED: morvane is installed on this machine; this test would replace and purge it"
  exit 77
fi

# --- Build and lintian --------------------------------------------------
if ! "$source/scripts/build-deb.sh" "$work/deb" >"$work/build.log" 2>&1; then
  tail -n 40 "$work/build.log"
  echo "FAIL: scripts/build-deb.sh failed"
  exit 1
fi
arch=$(dpkg --print-architecture)
deb=$work/deb/morvane_${version}_${arch}.deb
dbgsym=$work/deb/morvane-dbgsym_${version}_${arch}.deb
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") among: $(ls "$work/deb")"; exit 1; }
[ -f "$dbgsym" ] || fail "no debug symbols package $(basename "$dbgsym")"

lintian --fail-on error --display-info "$deb" >"$work/lintian.txt" 2>&1 || fail "lintian found errors"
cat "$work/lintian.txt"
grep -q '^E: ' "$work/lintian.txt" && fail "lintian: $(grep -c '^E: ' "$work/lintian.txt") errors"
# Each warning left is explained in the README.
for tag in $(sed -n 's/^W: [^ ]* \([a-z0-9-]*\).*/\1/p' "$work/lintian.txt" | sort -u); do
  grep -q -- "$tag" "$source/README.md" || fail "lintian warns $tag, which the README does not list"
done

# What the package holds, before it goes anywhere near the system.
dpkg-deb -x "$deb" "$work/root"
contents=$(cd "$work/root" && find . ! -type d | sed 's/^\.//' | sort)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for f in /usr/bin/morvane /usr/bin/unlha /usr/bin/lha-morvane "/usr/lib/$multiarch/morvane/libunlha32.so" \
         /usr/share/man/man1/lha-morvane.1.gz /usr/share/man/man1/unlha.1.gz /usr/share/man/man1/morvane.1.gz \
         /usr/share/applications/morvane.desktop /usr/share/mime/packages/morvane-lzh.xml \
         /usr/share/metainfo/io.github.morvane.Morvane.metainfo.xml /usr/share/icons/hicolor/scalable/apps/morvane.svg \
         /usr/share/icons/hicolor/16x16/apps/morvane.png /usr/share/icons/hicolor/256x256/apps/morvane.png \
         /usr/share/doc/morvane/copyright /usr/share/doc/morvane/changelog.gz; do
  grep -qxF "$f" <<<"$contents" || fail "the package lacks $f"
done
grep -qx '/usr/bin/lha' <<<"$contents" && fail "the package ships /usr/bin/lha, the alternatives system's link"
for f in /usr/bin/morvane /usr/bin/unlha /usr/bin/lha-morvane "/usr/lib/$multiarch/morvane/libunlha32.so"; do
  file -b "$work/root$f" | grep -q ', stripped' || fail "$f is not stripped: $(file -b "$work/root$f")"
done
dpkg-deb -c "$dbgsym" 2>/dev/null | grep -q '/usr/lib/debug/.build-id/.*\.debug$' || fail "the debug symbols package holds no .debug files"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in liblhasa0 libqt6widgets6 libc6; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
built_using=$(dpkg-deb -f "$deb" Built-Using)
grep -q 'glibc (= ' <<<"$built_using" && grep -q 'lhasa (= ' <<<"$built_using" ||
  fail "Built-Using does not name the static self-extractor's glibc and lhasa: $built_using"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is $(dpkg-deb -f "$deb" Version), not $version"

if [ "$(id -u)" -ne 0 ]; then
  [ "$failures" -eq 0 ] || exit 1
  echo "SKIPPED: installing the package needs root (built and checked by lintian: no errors)"
  exit 77
fi

# --- Installed ----------------------------------------------------------
# A plain environment: the system's PATH and manual pages, no user's MIME choices.
clean_env=(env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$work/home" LANG=C.UTF-8)
mkdir -p "$work/home"
state() {
  update-alternatives --query lha 2>/dev/null
  echo "lha -> $(readlink -f /usr/bin/lha 2>/dev/null)"
  echo "man lha: $("${clean_env[@]}" man -w lha 2>/dev/null)"
  echo "LZH opens with: $("${clean_env[@]}" xdg-mime query default application/x-lha 2>/dev/null)"
}
state >"$work/before"

installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install failed"; exit 1; }
files=$(dpkg -L morvane)

[ "$(readlink -f /usr/bin/lha)" = /usr/bin/lha-morvane ] || fail "/usr/bin/lha is $(readlink -f /usr/bin/lha)"
update-alternatives --query lha | grep -qx 'Value: /usr/bin/lha-morvane' || fail "the lha alternative is not ours: $(update-alternatives --query lha)"
[ "$(/usr/bin/lha --version)" = "lha (Morvane) $version" ] || fail "/usr/bin/lha --version: $(/usr/bin/lha --version)"
[ "$(/usr/bin/unlha --version)" = "unlha (Morvane) $version" ] || fail "unlha --version: $(/usr/bin/unlha --version)"
[ "$(/usr/bin/morvane --version)" = "morvane (Morvane) $version" ] || fail "morvane --version: $(/usr/bin/morvane --version)"
/usr/bin/morvane --help | grep -q "^The README: /usr/share/doc/morvane/README" || fail "morvane --help does not name the installed README: $(/usr/bin/morvane --help | tail -n 1)"
for page in lha:lha-morvane unlha:unlha morvane:morvane; do
  found=$("${clean_env[@]}" man -w "${page%%:*}" 2>&1)
  [ "$(readlink -f "$found")" = "/usr/share/man/man1/${page#*:}.1.gz" ] || fail "man -w ${page%%:*} finds '$found'"
done
library=$(zcat /usr/share/man/man1/morvane.1.gz | grep -o '/[^ ]*libunlha32\.so' | head -n 1)
[ -n "$library" ] && [ -f "$library" ] || fail "morvane(1) names the library as '$library', which is not there"
[ -f "/usr/lib/$multiarch/morvane/libunlha32.so" ] || fail "the library is not where /usr/bin/morvane looks for it"
opens=$("${clean_env[@]}" xdg-mime query default application/x-lha)
[ "$opens" = morvane.desktop ] || fail "xdg-mime opens LZH archives with '$opens'"

# Japanese names (some with 0x5C as a second Shift_JIS byte), one that
# Shift_JIS cannot hold, through /usr/bin/lha both ways.
mkdir -p "$work/trip/in/日本語/表示" "$work/trip/out"
printf 'ソース\n' >"$work/trip/in/日本語/ソース.txt"
printf '予定 %s\n' {1..200} >"$work/trip/in/日本語/表示/予定①.txt"
printf '한국어\n' >"$work/trip/in/한국어.txt"
(cd "$work/trip/in" && /usr/bin/lha a ../trip.lzh 日本語 한국어.txt >/dev/null) || fail "lha a through /usr/bin/lha failed"
(cd "$work/trip/out" && /usr/bin/lha x ../trip.lzh >/dev/null) || fail "lha x through /usr/bin/lha failed"
diff -r "$work/trip/in" "$work/trip/out" || fail "lha a, lha x through /usr/bin/lha did not give the folder back"

# --- Purged -------------------------------------------------------------
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=600 morvane >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get purge failed"; }
installed=0
dpkg-query -W -f='${Status}' morvane 2>/dev/null | grep -q 'installed' && fail "morvane is still installed"
while IFS= read -r f; do
  if [ -e "$f" ] && [ ! -d "$f" ] || [ -L "$f" ]; then fail "$f is left after the purge"; fi
done <<<"$files"
for d in "/usr/lib/$multiarch/morvane" /usr/share/doc/morvane; do
  [ ! -e "$d" ] || fail "$d is left after the purge"
done
ls /var/lib/dpkg/info/morvane.* >/dev/null 2>&1 && fail "dpkg keeps morvane's maintainer scripts"
{ grep -l morvane /usr/share/applications/mimeinfo.cache /var/lib/dpkg/alternatives/* 2>/dev/null
  find /etc/alternatives -lname '*morvane*'; } | grep . && fail "morvane is still named in the caches or the alternatives"
state >"$work/after"
diff "$work/before" "$work/after" || fail "lha, its manual page or the MIME default is not as it was"

[ "$failures" -eq 0 ] && echo "deb_test: the package builds, installs, works and purges cleanly"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# Installs the Debian packages Morvane needs, only those that are missing.
#   scripts/install-deps.sh build run        to build and start the program
#   scripts/install-deps.sh build run test   also the tests, fuzzing and benchmarks
#   scripts/install-deps.sh build package    to build the Debian package
set -euo pipefail

declare -A group=(
  [build]="cmake make g++ pkg-config qt6-base-dev liblhasa-dev"
  [run]="qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic xdg-utils shared-mime-info file desktop-file-utils"
  [test]="libgtest-dev nlohmann-json3-dev zlib1g-dev lhasa libarchive-tools 7zip jlha-utils
          xvfb xauth xdotool xclip imagemagick openbox clang libclang-rt-14-dev python3 time hyperfine util-linux
          faketime zip patool mc file-roller dbus-daemon
          lintian appstream librsvg2-bin man-db emacs-nox"
  [package]="debhelper dpkg-dev"
)

[ $# -gt 0 ] || set -- build run
wanted=()
for g in "$@"; do
  [ -n "${group[$g]:-}" ] || { echo "install-deps: unknown group '$g' (build, run, test, package)" >&2; exit 2; }
  # shellcheck disable=SC2206
  wanted+=(${group[$g]})
done

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null

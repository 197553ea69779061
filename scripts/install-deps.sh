#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, and nothing when
# all of them are already there (so the README's commands stay cheap to rerun).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix
  wine wine64 fonts-wine
  qt6-base-dev qt6-qpa-plugins libxkbcommon-dev libxkbcommon-x11-dev libx11-dev
  fonts-dejavu-core
  xvfb xdotool xclip x11-utils x11-xkb-utils imagemagick python3-xlib
  xkb-data
  desktop-file-utils librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

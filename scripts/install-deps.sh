#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and nothing when
# all of them are already there (so the README's commands stay cheap to rerun).
#   scripts/install-deps.sh         everything: the builds of every preset and
#                                   every test (scripts/test.sh)
#   scripts/install-deps.sh --run   only what the Linux program needs to be
#                                   built and to run (scripts/run.sh)
set -euo pipefail

# The Linux program: its compiler and build tools, Qt 6 with its platform
# plugins, xkbcommon, and the font its window is laid out with.
run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libxkbcommon-dev libxkbcommon-x11-dev libx11-dev
  fonts-dejavu-core
)
# Everything else: the test frameworks, the sanitizer and fuzz builds, the
# Windows cross build and Wine (with Courier New's metric twin, so that the
# Windows program lays out as on Windows), virtual displays and the tools
# that drive them, and the package linters.
test_packages=(
  python3
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix
  wine wine64 fonts-wine fonts-liberation
  xvfb xdotool xclip x11-utils x11-xkb-utils imagemagick python3-xlib
  xkb-data
  desktop-file-utils librsvg2-bin appstream lintian
)

case "${1:-}" in
  --run) packages=("${run_packages[@]}") ;;
  "") packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 [--run]" >&2; exit 2 ;;
esac

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

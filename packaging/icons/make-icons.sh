#!/usr/bin/env bash
# Renders quorvant.svg into the PNG sizes the desktop's icon theme looks for,
# beside this script (quorvant-<size>.png). The PNGs are kept in the tree so
# that a build needs no renderer; run this again after changing the SVG.
# Needs rsvg-convert (Debian package librsvg2-bin, in scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --output "quorvant-$size.png" quorvant.svg
done

#!/usr/bin/env bash
# Saves PNGs of the help window of both programs, in English, as the
# end-to-end runs show it (each on a private Xvfb, COM ports on ptys):
# help-linux.png and help-windows.png in the output folder.
#   scripts/screenshot-help.sh [output folder [linux build [windows build [wine prefix]]]]
# (defaults: build, build/linux, build/windows, build/windows-wineprefix; the
# builds must exist, and the prefix must register COM1 and COM2, as
# scripts/test.sh makes it)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build}")
linux=${2:-build/linux}
windows=${3:-build/windows}
prefix=$(realpath -m "${4:-build/windows-wineprefix}")
mkdir -p "$out"
QUORVANT_SHOTS=$out python3 tests/linux/qt_e2e.py "$linux/src/linux/quorvant"
QUORVANT_SHOTS=$out WINEPREFIX=$prefix python3 tests/windows/gui/gui_test.py end-to-end \
  "$windows/src/windows/quorvant.exe" "$windows/tests/windows/window_probe.exe"
ls "$out"/help-linux.png "$out"/help-windows.png

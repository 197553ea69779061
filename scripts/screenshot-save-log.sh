#!/usr/bin/env bash
# Saves PNGs of the save dialog and of the log file's error box of both
# programs, as their end-to-end runs show them (each on a private Xvfb, COM
# ports on ptys), with a copy of the log file each run wrote:
#   save-linux.png, save-windows.png, log-error-linux.png,
#   log-error-windows.png, LogFile-linux.csv, LogFile-windows.csv
#   scripts/screenshot-save-log.sh [output folder [linux build [windows build [wine prefix]]]]
# (defaults: build/shots, build/linux, build/windows, build/windows-wineprefix;
# the builds must exist, and the prefix must register COM1 and COM2, as
# scripts/test.sh makes it)
set -uo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/shots}")
linux=${2:-build/linux}
windows=${3:-build/windows}
prefix=$(realpath -m "${4:-build/windows-wineprefix}")
mkdir -p "$out"
# The pictures are taken early in each run; a later check that fails does
# not take them back, so the runs' own verdicts are only passed on.
QUORVANT_SHOTS=$out python3 tests/linux/qt_e2e.py "$linux/src/linux/quorvant" >/dev/null ||
  echo "the Linux end-to-end run reported failures" >&2
QUORVANT_SHOTS=$out WINEPREFIX=$prefix python3 tests/windows/gui/gui_test.py end-to-end \
  "$windows/src/windows/quorvant.exe" "$windows/tests/windows/window_probe.exe" >/dev/null ||
  echo "the Windows end-to-end run reported failures" >&2
ls "$out"/save-linux.png "$out"/save-windows.png "$out"/log-error-linux.png \
  "$out"/log-error-windows.png

#!/usr/bin/env bash
# Makes the pictures of README.md and docs/DEVELOPING.md in docs/screenshots:
# the main window, the port settings dialog and the help window of the Linux
# program (linux-*.png) and
# of the Windows program under Wine (windows-*.png, the main window also at
# 96, 144 and 192 DPI), each on a private Xvfb with its COM ports on ptys.
#   scripts/screenshot-docs.sh [linux build [windows build [wine prefix]]]
# (defaults: build/linux and build/windows, built first; the prefix as
# scripts/screenshot-windows.sh makes it)
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
linux=${1:-}
windows=${2:-}
prefix=${3:-build/screenshot-wineprefix}
if [ -z "$linux" ] || [ -z "$windows" ]; then
  scripts/install-deps.sh
fi
if [ -z "$linux" ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target quorvant -j "$(nproc)"
  linux=build/linux
fi
if [ -z "$windows" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target quorvant window_probe -j "$(nproc)"
  windows=build/windows
fi
binary=$(realpath "$linux/src/linux/quorvant")
mkdir -p "$out"

scripts/screenshot-linux.sh "$out/linux-main.png" "$binary"
# The dialog as a user with one USB adapter sees it.
scripts/screenshot-port-dialog.sh "$out/linux-port-settings.png" "$binary"
python3 - "$binary" "$out/linux-help.png" <<'PY'
import sys
sys.path.insert(0, "tests/harness")
sys.path.insert(0, "tests/linux")
import quorvant_harness as qh
import qt_e2e as e2e

binary, out = sys.argv[1], sys.argv[2]
display = qh.XvfbDisplay()
line = qh.PtyLine()
run = qh.LinuxProgram(binary, display, line)
try:
    run.find_window()
    run.focus()
    run.key("F1")
    dialog = qh.wait_for(lambda: run.visible_windows(e2e.HELP_DIALOG), 10, "the help window")[0]
    display.run("xdotool", "windowfocus", "--sync", dialog)
    rect = e2e.window_rect(run, dialog)
    e2e.click_in_help(run, rect, e2e.HELP_ENGLISH_DU)

    def english():
        colour = display.pixel(*e2e.help_point(rect, *e2e.HELP_BACKGROUND_DU))
        return colour is not None and all(abs(a - b) <= 2 for a, b in zip(colour, e2e.LIGHT_ORANGE))
    qh.wait_for(english, 10, "the English help text")
    display.screenshot(out, dialog)
    print(out)
finally:
    run.close()
    line.close()
    display.close()
PY
scripts/screenshot-windows.sh "$out" "$windows" "$prefix"
for dpi in 96 144 192; do
  scripts/screenshot-windows-dpi.sh "$dpi" "$out" "$windows"
done

#!/usr/bin/env bash
# Saves PNGs of the Windows program under Wine, each window as a user first
# sees it: windows-main.png (the main window with some received text),
# windows-port-settings.png (the port settings dialog) and windows-help.png
# (the help window in English), in the output folder. A private Xvfb, COM1 on
# a pty registered in the Wine prefix; no serial device of the machine is
# opened.
#   scripts/screenshot-windows.sh [output folder [windows build [wine prefix]]]
# (defaults: build, build/windows, build/screenshot-wineprefix; the build must
# hold quorvant.exe and tests/windows/window_probe.exe. A prefix that does not
# register COM1 is made anew with scripts/wine-prefix.sh.)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build}")
windows=$(realpath -m "${2:-build/windows}")
prefix=$(realpath -m "${3:-build/screenshot-wineprefix}")
mkdir -p "$out"
if ! WINEPREFIX=$prefix python3 -c '
import os, sys
sys.path.insert(0, "tests/harness")
import quorvant_harness as qh
sys.exit(0 if qh.registered_com_link(os.environ["WINEPREFIX"], 1) else 1)'; then
  scripts/wine-prefix.sh "$prefix" 1="$prefix-com1"
fi
status=0
if WINEPREFIX=$prefix python3 - "$windows/src/windows/quorvant.exe" \
  "$windows/tests/windows/window_probe.exe" "$out" <<'PY'
import os
import shutil
import sys
import tempfile

sys.path.insert(0, "tests/harness")
sys.path.insert(0, "tests/windows/gui")
import quorvant_harness as qh
import gui_test as gt

CLOCK = 1019
PORT_LIST = "port:1020"

exe, probe, out = sys.argv[1:4]
link = qh.registered_com_link(os.environ["WINEPREFIX"], 1)
folder = tempfile.mkdtemp(prefix="quorvant-shots-")
display = qh.XvfbDisplay(gt.SCREEN_WIDTH, gt.SCREEN_HEIGHT)
line = qh.PtyLine()
program = gt.Program(folder, exe, probe, display)
try:
    line.link(link)
    program.start()
    window = gt.wait_for_window(program, gt.CAPTION)
    program.wait_text(gt.SETTINGS_FIELD, b" COM1: 115200,E,8,1", "the port open")
    sample = b"quorvant on a pty: received text appears here\r\n"
    sample += "Umlaute \xe4\xf6\xfc \xdf, section \xa7, euro \x80\r\n".encode("latin-1")
    sample += b"".join(b"line %02d " % i + b"-" * 70 + b"\r\n" for i in range(12))
    line.write(sample)
    program.wait_text(gt.DISPLAY, b"line 11 ", "the received text")
    program.wait_text(CLOCK, b":", "the clock")
    display.screenshot(os.path.join(out, "windows-main.png"), window)

    dialog = gt.open_port_dialog(program)
    program.wait_text(PORT_LIST, b"available COM ports", "the port list")
    display.screenshot(os.path.join(out, "windows-port-settings.png"), dialog)
    program.xdotool("key", "Escape")
    qh.wait_for(lambda: not gt.visible_windows(program, gt.PORT_DIALOG), gt.EVENT_TIMEOUT,
                "the port settings dialog to close")

    program.xdotool("windowfocus", "--sync", window)
    program.xdotool("key", "F1")
    help_window = gt.wait_for_window(program, gt.HELP_WINDOW)
    program.xdotool("windowfocus", "--sync", help_window)
    program.click(gt.HELP_ENGLISH)
    program.wait_check(gt.HELP_ENGLISH, True, "english is marked")
    left, top, right, bottom = program.rect(gt.HELP_TEXT)
    qh.wait_for(lambda: program.pixel(right - 30, bottom - 12) == gt.LIGHT_ORANGE,
                gt.EVENT_TIMEOUT, "the English help text")
    display.screenshot(os.path.join(out, "windows-help.png"), help_window)
    for name in ("windows-main.png", "windows-port-settings.png", "windows-help.png"):
        print(os.path.join(out, name))
finally:
    program.stop()
    line.close()
    display.close()
    shutil.rmtree(folder, ignore_errors=True)
PY
then :; else status=$?; fi
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
exit $status

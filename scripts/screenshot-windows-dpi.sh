#!/usr/bin/env bash
# A PNG of the Windows program's main window under Wine at a display
# resolution of DPI dots per inch (96 is 100 %, 144 is 150 %, 192 is 200 %),
# with some received text: windows-main-<DPI>dpi.png in the output folder.
# A private Xvfb, COM1 on a pty registered in a Wine prefix of its own whose
# LogPixels is DPI; no serial device of the machine is opened.
#   scripts/screenshot-windows-dpi.sh DPI [output folder [windows build]]
# (defaults: build, build/windows; the build must hold quorvant.exe and
# tests/windows/window_probe.exe.) The prefix has no fonts of its own beyond
# Wine's: above 96 DPI the program finds Courier New, or with Debian's
# fonts-liberation the metric-compatible Liberation Mono, by itself.
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=${1:?usage: $0 DPI [output folder [windows build]]}
out=$(realpath -m "${2:-build}")
windows=$(realpath -m "${3:-build/windows}")
prefix=$(realpath -m "build/dpi-wineprefix-$dpi")
mkdir -p "$out"
# Made anew each time, so that no setting of an earlier run lingers in it.
scripts/wine-prefix.sh "$prefix" 1="$prefix-com1"
export WINEPREFIX=$prefix WINEDEBUG=-all
for key in 'HKCU\Control Panel\Desktop' \
  'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
done
wineserver -w
status=0
if python3 - "$windows/src/windows/quorvant.exe" "$windows/tests/windows/window_probe.exe" \
  "$out/windows-main-${dpi}dpi.png" <<'PY'
import os
import shutil
import sys
import tempfile

sys.path.insert(0, "tests/harness")
sys.path.insert(0, "tests/windows/gui")
import quorvant_harness as qh
import gui_test as gt

exe, probe, path = sys.argv[1:4]
link = qh.registered_com_link(os.environ["WINEPREFIX"], 1)
folder = tempfile.mkdtemp(prefix="quorvant-dpi-")
display = qh.XvfbDisplay(1600, 1200)
line = qh.PtyLine()
program = gt.Program(folder, exe, probe, display)
try:
    line.link(link)
    program.start()
    window = gt.wait_for_window(program, gt.CAPTION)
    program.wait_text(gt.SETTINGS_FIELD, b" COM1: 115200,E,8,1", "the port open")
    sample = b"quorvant on a pty: received text appears here\r\n"
    sample += b"".join(b"line %02d " % i + b"-" * 70 + b"\r\n" for i in range(12))
    line.write(sample)
    program.wait_text(gt.DISPLAY, b"line 11 ", "the received text")
    program.wait_text(1019, b":", "the clock")
    display.screenshot(path, window)
    print(path)
finally:
    program.stop()
    line.close()
    display.close()
    shutil.rmtree(folder, ignore_errors=True)
PY
then :; else status=$?; fi
wineserver -k 2>/dev/null || true
exit $status

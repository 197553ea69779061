#!/usr/bin/env bash
# Saves a PNG of the Linux port settings dialog as a user with one USB serial
# adapter sees it: under a private Xvfb, a pty stands in for the adapter as
# COM33 (the first ttyUSB number) and the program starts on it; COM1 leads
# nowhere, so the machine's own ttyS0 is never touched.
#   scripts/screenshot-port-dialog.sh [output.png [quorvant binary]]
# (default build/quorvant-port-dialog.png; without a binary the script builds
# the Linux program first)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/quorvant-port-dialog.png}
binary=${2:-}
if [ -z "$binary" ]; then
  scripts/install-deps.sh
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target quorvant -j "$(nproc)"
  binary=$PWD/build/linux/src/linux/quorvant
fi
mkdir -p "$(dirname "$out")"
exec python3 - "$binary" "$out" <<'PY'
import sys
sys.path.insert(0, "tests/harness")
import quorvant_harness as qh

PORT = 33
SETUP = (b"[RS232]\r\nCOMPORT=%d\r\nCOMBAUD=115200\r\nCOMPARI=E\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"
         % PORT)
SETTINGS_FIELD_DU = (1, 2, 87, 12)
DIALOG_DU = (291, 241)

binary, out = sys.argv[1], sys.argv[2]
display = qh.XvfbDisplay()
line = qh.PtyLine()
run = qh.LinuxProgram(binary, display, line, port=PORT, setup=SETUP)
try:
    run.find_window()
    run.focus()
    x, y, w, h = SETTINGS_FIELD_DU
    run.click_dialog(x + w / 2, y + h / 2)
    dialog = qh.wait_for(lambda: run.visible_windows("Serial Port Settings"), 10, "the dialog")[0]

    def list_drawn():
        # The port list's text darkens its white area once it is painted.
        display.screenshot(out, dialog)
        size = display.run("identify", "-format", "%w %h", out).stdout.split()
        width, height = int(size[0]), int(size[1])
        crop = "%dx%d+%d+%d" % (width * 280 // DIALOG_DU[0], height * 100 // DIALOG_DU[1],
                                width * 6 // DIALOG_DU[0], height * 110 // DIALOG_DU[1])
        mean = display.run("convert", out, "-crop", crop, "+repage", "-format", "%[fx:mean]",
                           "info:").stdout
        return float(mean) < 0.97

    qh.wait_for(list_drawn, 10, "the port list")
    print(out)
finally:
    run.close()
    line.close()
    display.close()
PY

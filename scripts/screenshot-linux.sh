#!/usr/bin/env bash
# Builds the Linux program and saves a PNG of its window under a private Xvfb,
# with COM1 on a pty and a few lines of received text in the display.
#   scripts/screenshot-linux.sh [output.png [quorvant binary]]
# (default build/quorvant-linux.png; without a binary the script builds the
# Linux program first)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/quorvant-linux.png}
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

binary, out = sys.argv[1], sys.argv[2]
display = qh.XvfbDisplay()
line = qh.PtyLine()
run = qh.LinuxProgram(binary, display, line)
try:
    run.find_window()
    display_rect = run.dialog_rect(3, 36, 300, 200)
    empty = run.region_mean(display_rect)
    sample = b"quorvant on a pty: received text appears here\r\n"
    sample += "Umlaute \xe4\xf6\xfc \xdf, section \xa7, euro \x80\r\n".encode("latin-1")
    sample += b"".join(b"line %02d " % i + b"-" * 70 + b"\r\n" for i in range(12))
    line.write(sample)
    qh.wait_for(lambda: run.region_mean(display_rect) < empty - 0.02, 10, "the text")
    # The clock field fills at the first clock tick.
    clock_rect = run.dialog_rect(250, 243, 70, 8)
    qh.wait_for(lambda: run.region_mean(clock_rect) < 0.97, 5, "the clock")
    run.screenshot(out)
    print(out)
finally:
    run.close()
    line.close()
    display.close()
PY

#!/usr/bin/env bash
# Whole-process measurement of the Linux program (not part of the tests):
# CPU time from /proc/<pid>/stat (utime + stime) over 60 s idle and over 60 s
# of a 92,160 B/s stream of 80-character lines written into its pty, and the
# peak resident set (VmHWM). Runs under a private Xvfb with COM1 on a pty.
#   bench/process_bench.sh [path/to/quorvant] [seconds per phase]
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${1:-}
seconds=${2:-60}
if [ -z "$binary" ]; then
  scripts/install-deps.sh
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target quorvant -j "$(nproc)"
  binary=build/linux/src/linux/quorvant
fi
exec python3 - "$binary" "$seconds" <<'PY'
import os
import sys
import time
sys.path.insert(0, "tests/harness")
import quorvant_harness as qh

binary, seconds = sys.argv[1], float(sys.argv[2])
RATE = 92160                       # bytes per second offered
LINE = b"0123456789" * 7 + b"abcdefgh" + b"\r\n"   # 80 bytes
SLICE = 0.01                       # pacing step
ticks = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return (int(fields[11]) + int(fields[12])) / ticks


display = qh.XvfbDisplay()
line = qh.PtyLine()
run = qh.LinuxProgram(binary, display, line)
try:
    run.find_window()
    pid = run.process.pid

    start_cpu, start = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)  # the line's own thread reads whatever the program sends
    idle_cpu = cpu_seconds(pid) - start_cpu
    idle_wall = time.monotonic() - start

    offered = accepted = 0
    start_cpu, start = cpu_seconds(pid), time.monotonic()
    next_slice = start
    while True:
        now = time.monotonic()
        if now - start >= seconds:
            break
        lines_due = (int((now - start) * RATE) - offered) // len(LINE)
        if lines_due > 0:
            # What the pty does not take now is dropped, as a line would.
            accepted += line.try_write(LINE * lines_due)
            offered += len(LINE) * lines_due
        next_slice += SLICE
        time.sleep(max(0.0, next_slice - time.monotonic()))
    stream_cpu = cpu_seconds(pid) - start_cpu
    stream_wall = time.monotonic() - start

    print("idle:   %.1f s wall, %.2f s CPU = %.2f %% of one core"
          % (idle_wall, idle_cpu, 100 * idle_cpu / idle_wall))
    print("stream: %.1f s wall, %.2f s CPU = %.2f %% of one core"
          % (stream_wall, stream_cpu, 100 * stream_cpu / stream_wall))
    print("stream: offered %d B (%.0f B/s), the pty took %d B (%.0f B/s)"
          % (offered, offered / stream_wall, accepted, accepted / stream_wall))
    print("peak RSS (VmHWM): %d KiB; now (VmRSS): %d KiB"
          % (qh.process_status_kib(pid, "VmHWM"), qh.process_status_kib(pid, "VmRSS")))
finally:
    run.close()
    line.close()
    display.close()
PY

#!/usr/bin/env python3
"""Unplug and replug, cycle after cycle, on the real Linux program.

COM1 (ports/com1 beside the program) leads to a pty. Each cycle hangs the
line up (both ends of the pty close, the way a USB adapter vanishes), keeps
it gone for a while, then puts a new pty behind the same ports/com1. While
the line is gone ports/com1 leads to no device, as the device node of a
vanished adapter is gone too. The program must notice the loss, keep quiet
while the port is gone, and open the new line by itself.

Prints, per run: the time from a new line appearing until the program has
it open (median and max), the CPU the program uses while the port is gone,
and its open file descriptors and resident memory at the first and the last
cycle, which must not grow. At the end a typed key must still reach the line.

Usage: soak/unplug.py PATH_TO_QUORVANT [--cycles N] [--gone SECONDS]
Exit status 0 when every check held, 1 otherwise.
"""

import argparse
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "harness"))
import quorvant_harness as qh  # noqa: E402

# The poll cycle ticks every 100 ms: a loss is seen and a new line opened
# within a few ticks; these limits leave room for a loaded machine.
LOSS_SEEN_WITHIN = 5.0
REOPEN_WITHIN = 5.0
# How long a failed cycle waits more, to tell a slow re-open from none.
LATE_REOPEN_WITHIN = 30.0
# While the port is gone the program tries to open it once a tick; that may
# cost next to nothing.
GONE_CPU_LIMIT_PERCENT = 5.0
# Descriptors and memory may not grow from cycle to cycle. Memory is allowed
# the noise of the allocator and of Qt's caches.
RSS_GROWTH_LIMIT_KB = 2048
SETTLE_SECONDS = 2.0


def holders(slave_path, own_pid):
    """Other processes that hold slave_path open."""
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit() and int(entry) not in (own_pid, os.getpid()):
            try:
                if qh.holds(int(entry), slave_path):
                    found.append(int(entry))
            except OSError:
                pass  # gone, or not ours to look at
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--cycles", type=int, default=100)
    parser.add_argument("--gone", type=float, default=1.0,
                        help="seconds the port stays away per cycle")
    args = parser.parse_args()

    display = qh.XvfbDisplay()
    line = qh.PtyLine()
    run = None
    failures = []
    reopen_times = []
    gone_cpu = []
    samples = {}
    try:
        run = qh.LinuxProgram(args.binary, display, line)
        run.find_window()
        pid = run.process.pid
        link = os.path.join(run.folder, "ports", "com1")
        # Never absent: without ports/com1 the program would try the
        # machine's own first serial port.
        gone_target = os.path.join(run.folder, "no-such-device")
        qh.wait_for(lambda: qh.holds(pid, line.slave_path), REOPEN_WITHIN, "the first open")
        # The toolkit opens a descriptor or two of its own during its first
        # moments; the first sample waits for the program to settle.
        time.sleep(SETTLE_SECONDS)

        for cycle in range(1, args.cycles + 1):
            if cycle in (1, args.cycles):
                samples[cycle] = (sorted(qh.open_paths(pid)),
                                  qh.process_status_kib(pid, "VmRSS"))

            # An adapter that vanishes takes its device node with it. The link
            # must lead nowhere before the pty closes: its number is handed to
            # the next pty opened anywhere on the machine, and a program still
            # trying the old path would take that stranger's line and keep it
            # until the stranger hangs up, blind to its own line's return.
            old_path = line.slave_path
            qh.point_link(link, gone_target)
            line.close()
            qh.wait_for(lambda: not qh.holds(pid, old_path), LOSS_SEEN_WITHIN,
                        "the program to let go of the hung-up line")

            start_cpu = qh.process_cpu_seconds(pid)
            start = time.monotonic()
            time.sleep(args.gone)
            gone_cpu.append(100.0 * (qh.process_cpu_seconds(pid) - start_cpu) /
                            (time.monotonic() - start))

            line = qh.PtyLine()
            qh.point_link(link, line.slave_path)
            start = time.monotonic()
            try:
                qh.wait_for(lambda: qh.holds(pid, line.slave_path), REOPEN_WITHIN,
                            "the re-open in cycle %d" % cycle, interval=0.005)
            except qh.Timeout as error:
                # A pty number is used again once free: another program whose
                # port link still leads there may have taken the new line.
                late = None
                try:
                    qh.wait_for(lambda: qh.holds(pid, line.slave_path), LATE_REOPEN_WITHIN,
                                "a late re-open", interval=0.05)
                    late = time.monotonic() - start
                except qh.Timeout:
                    pass
                raise qh.Timeout("%s; %s is held by processes %s; %s" % (
                    error, line.slave_path, holders(line.slave_path, pid),
                    "re-opened after %.1f s" % late if late else "still not re-opened"))
            reopen_times.append(time.monotonic() - start)
            if run.process.poll() is not None:
                failures.append("the program ended in cycle %d" % cycle)
                break

        run.focus()
        line.drain(quiet=0.2)
        run.key("a")
        try:
            line.wait_received(lambda data: b"a" in data, 5, "a typed key")
        except qh.Timeout:
            failures.append("a typed key does not reach the line after the last replug")
    except qh.Failure as error:
        failures.append(str(error))
    finally:
        if run is not None:
            run.close()
        line.close()
        display.close()

    if reopen_times:
        print("cycles: %d, port away %.1f s each" % (len(reopen_times), args.gone))
        print("re-open after the line returns: median %.0f ms, max %.0f ms"
              % (1000 * statistics.median(reopen_times), 1000 * max(reopen_times)))
        print("CPU while the port is gone: mean %.2f %%, max %.2f %%"
              % (statistics.mean(gone_cpu), max(gone_cpu)))
        if max(gone_cpu) > GONE_CPU_LIMIT_PERCENT:
            failures.append("the program spins while the port is gone")
    for cycle in sorted(samples):
        fds, rss = samples[cycle]
        print("cycle %d: %d open descriptors, RSS %d kB" % (cycle, len(fds), rss))
    if len(samples) == 2:
        (fds1, rss1), (fdsn, rssn) = samples[1], samples[args.cycles]
        if len(fdsn) > len(fds1):
            failures.append("descriptors grew from %d to %d: %s" % (
                len(fds1), len(fdsn), sorted(set(fdsn) - set(fds1))))
        if rssn - rss1 > RSS_GROWTH_LIMIT_KB:
            failures.append("RSS grew by %d kB" % (rssn - rss1))
    for failure in failures:
        print("FAIL - " + failure)
    print("unplug soak: %s" % ("passed" if not failures else "FAILED"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

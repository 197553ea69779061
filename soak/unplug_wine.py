#!/usr/bin/env python3
"""Unplug and replug, cycle after cycle, on the Windows program under Wine.

The Wine prefix in WINEPREFIX registers COM<port> as a link path
(scripts/wine-prefix.sh PREFIX N=LINKPATH); the script points that link at a
pty, starts the .exe on a private Xvfb with a setup file that selects the
port, and then, each cycle, hangs the line up (the link first leads nowhere,
as a vanished adapter's device is gone, then both ends of the pty close),
keeps it gone for a while and puts a new pty behind the same link. The
program must notice the loss and open the new line by itself; Wine opens
the link's target afresh at every CreateFile.

Figures as soak/unplug.py prints them: the time from a new line appearing
until it is held open (median and max), the CPU of the program and of the
prefix's wineserver while the port is gone, and the program's descriptors
and resident memory at the first and the last cycle. Under Wine the open
descriptor of a device may sit in the program or in the wineserver, so a
line counts as held when either of them holds it.

Usage: soak/unplug_wine.py QUORVANT_EXE WINDOW_PROBE_EXE [--cycles N]
                           [--gone SECONDS] [--port N]
Exit status 0 when every check held, 1 otherwise.
"""

import argparse
import os
import shutil
import signal
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "harness"))
sys.path.insert(0, os.path.join(ROOT, "tests", "windows", "gui"))
import quorvant_harness as qh  # noqa: E402
import gui_test  # noqa: E402
from quorvant_harness import check  # noqa: E402

# Wine adds its server round trips to the 100 ms poll tick.
LOSS_SEEN_WITHIN = 10.0
REOPEN_WITHIN = 10.0
# How long a failed cycle waits more, to tell a slow loss from none.
LATE_LOSS_WITHIN = 30.0
GONE_CPU_LIMIT_PERCENT = 10.0
RSS_GROWTH_LIMIT_KB = 4096
SETTLE_SECONDS = 2.0
# Long enough for the open that follows the first sight of the line to end.
OPEN_SETTLE_SECONDS = 1.0


def holders(slave_path, pids):
    """Those of pids that hold slave_path (also once it was hung up and
    reads as "(deleted)"). Only the program and its wineserver are asked: a
    pty number is handed out again once free, and another test's new pty
    under the old name is not the program's line."""
    found = []
    for pid in pids:
        try:
            if qh.holds(pid, slave_path):
                found.append(pid)
        except OSError:
            pass  # gone
    return found


def command_line(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().replace(b"\0", b" ")
    except OSError:
        return b""


def program_pid(folder):
    """The Wine process of the program copied into folder."""
    exe = qh.windows_path(os.path.join(folder, "quorvant.exe")).lower().encode()
    for entry in os.listdir("/proc"):
        if entry.isdigit() and exe in command_line(int(entry)).lower():
            if b"window_probe" not in command_line(int(entry)).lower():
                return int(entry)
    return None


def wineserver_pid(prefix):
    """The wineserver of the prefix, which the first Wine program started
    with the prefix in its environment."""
    wanted = b"WINEPREFIX=" + prefix.encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        program = os.path.basename(command_line(int(entry)).split(b" ")[0])
        if not program.startswith(b"wineserver"):
            continue
        try:
            with open("/proc/%s/environ" % entry, "rb") as f:
                if wanted in f.read().split(b"\0"):
                    return int(entry)
        except OSError:
            pass
    return None


def describe_stale_hold(program, old_path, names):
    """Who still holds a hung-up line, what the program shows, and whether
    it lets go later: tells a slow loss from none."""
    held = [names[p] for p in holders(old_path, names)]
    _, field = program.probe("text", gui_test.SETTINGS_FIELD, 100, b"".hex())
    late = None
    try:
        start = time.monotonic()
        qh.wait_for(lambda: not holders(old_path, names), LATE_LOSS_WITHIN,
                    "a late let-go", interval=0.1)
        late = time.monotonic() - start
    except qh.Timeout:
        pass
    return "held by %s; the port field shows %r; %s" % (
        ", ".join(held) or "nobody any more", field,
        "let go %.1f s later" % late if late is not None else "still held")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("exe")
    parser.add_argument("probe")
    parser.add_argument("--cycles", type=int, default=100)
    parser.add_argument("--gone", type=float, default=1.0,
                        help="seconds the port stays away per cycle")
    parser.add_argument("--port", type=int, default=1,
                        help="the registered COM port number to use")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))

    prefix = os.environ.get("WINEPREFIX", "")
    link = qh.registered_com_link(prefix, args.port) if prefix else None
    if not link:
        print("COM%d is not registered in the Wine prefix %r; make one with "
              "scripts/wine-prefix.sh PREFIX %d=LINKPATH" % (args.port, prefix, args.port))
        return 2
    gone_target = link + ".gone"  # a path that never exists

    folder = tempfile.mkdtemp(prefix="quorvant-unplug-")
    display = program = None
    line = qh.PtyLine()
    failures = []
    reopen_times = []
    gone_cpu = []
    server_cpu = []
    samples = {}
    try:
        qh.point_link(link, line.slave_path)
        display = qh.XvfbDisplay(gui_test.SCREEN_WIDTH, gui_test.SCREEN_HEIGHT)
        program = gui_test.Program(folder, args.exe, args.probe, display)
        with open(os.path.join(folder, "quorvant.ini"), "wb") as f:
            f.write(b"[RS232]\r\nCOMPORT=%d\r\n" % args.port)
        program.start()
        gui_test.wait_for_window(program, gui_test.CAPTION)
        pid = qh.wait_for(lambda: program_pid(folder), 20, "the program's process")
        server = wineserver_pid(prefix)
        check(server is not None, "no wineserver runs for the prefix")
        watched = {pid: "the program", server: "the wineserver"}
        qh.wait_for(lambda: holders(line.slave_path, watched), REOPEN_WITHIN, "the first open")
        time.sleep(SETTLE_SECONDS)

        for cycle in range(1, args.cycles + 1):
            if cycle in (1, args.cycles):
                samples[cycle] = (len(qh.open_paths(pid)), qh.process_status_kib(pid, "VmRSS"))

            old_path = line.slave_path
            qh.point_link(link, gone_target)
            line.close()
            try:
                qh.wait_for(lambda: not holders(old_path, watched), LOSS_SEEN_WITHIN,
                            "the program to let go of the hung-up line in cycle %d" % cycle)
            except qh.Timeout as error:
                raise qh.Timeout("%s; %s" % (error, describe_stale_hold(program, old_path,
                                                                        watched)))

            start_cpu = qh.process_cpu_seconds(pid)
            start_server = qh.process_cpu_seconds(server)
            start = time.monotonic()
            time.sleep(args.gone)
            elapsed = time.monotonic() - start
            gone_cpu.append(100.0 * (qh.process_cpu_seconds(pid) - start_cpu) / elapsed)
            server_cpu.append(100.0 * (qh.process_cpu_seconds(server) - start_server) / elapsed)

            line = qh.PtyLine()
            qh.point_link(link, line.slave_path)
            start = time.monotonic()
            qh.wait_for(lambda: holders(line.slave_path, watched), REOPEN_WITHIN,
                        "the re-open in cycle %d" % cycle, interval=0.005)
            reopen_times.append(time.monotonic() - start)
            if program.process.poll() is not None:
                failures.append("the program ended in cycle %d" % cycle)
                break

        # The line works after the last replug: what arrives is shown. The
        # program holds the line as soon as it is opened, but the open goes on
        # to purge the input; bytes sent in that moment are rightly dropped.
        time.sleep(OPEN_SETTLE_SECONDS)
        line.write(b"after the last replug\r\n")
        program.wait_text(gui_test.DISPLAY, b"after the last replug", "text after the replug")
    except qh.Failure as error:
        failures.append(str(error))
    finally:
        if program is not None:
            program.stop()
        line.close()
        if os.path.islink(link):
            os.unlink(link)
        if display is not None:
            display.close()
        shutil.rmtree(folder, ignore_errors=True)

    if reopen_times:
        print("cycles: %d, port away %.1f s each" % (len(reopen_times), args.gone))
        print("re-open after the line returns: median %.0f ms, max %.0f ms"
              % (1000 * statistics.median(reopen_times), 1000 * max(reopen_times)))
        print("CPU while the port is gone: program mean %.2f %%, max %.2f %%"
              % (statistics.mean(gone_cpu), max(gone_cpu)))
        if server_cpu:
            print("CPU while the port is gone: wineserver mean %.2f %%, max %.2f %%"
                  % (statistics.mean(server_cpu), max(server_cpu)))
        if max(gone_cpu) > GONE_CPU_LIMIT_PERCENT:
            failures.append("the program spins while the port is gone")
    for cycle in sorted(samples):
        fds, rss = samples[cycle]
        print("cycle %d: %d open descriptors, RSS %d kB" % (cycle, fds, rss))
    if len(samples) == 2:
        (fds1, rss1), (fdsn, rssn) = samples[1], samples[args.cycles]
        if fdsn > fds1:
            failures.append("descriptors grew from %d to %d" % (fds1, fdsn))
        if rssn - rss1 > RSS_GROWTH_LIMIT_KB:
            failures.append("RSS grew by %d kB" % (rssn - rss1))
    for failure in failures:
        print("FAIL - " + failure)
    print("unplug soak under Wine: %s" % ("passed" if not failures else "FAILED"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

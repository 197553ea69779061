"""Whole-program figures of the Linux program on a display, for one or more
builds side by side in one run (not a test: it asserts nothing).

For each program, on a private Xvfb with COM1 on a pty of its own:
  idle    CPU time of the program and of its X server over the phase, port
          open, nothing arriving; its goal is held against the scheduler's
          count (schedstat), utime + stime being too coarse for it;
  keys    11,520 B/s of 80-character lines arrive (115200 baud, ten bits a
          byte) while letters are pressed through XTEST at random intervals,
          each timed until its byte comes out of the pty;
  stream  the stream goes on alone: CPU time as in idle;
  fastkeys  92,160 B/s, what a 921600 baud line carries (COM1 is set to that
          rate in the setup file), with keys as in keys;
  fast    the same stream alone: CPU time as in idle, and the bytes the pty
          took (a program that falls behind leaves the pty full, and what it
          does not take is dropped as a line would drop it);
  full    400,000 B/s, a 4,000,000 baud line, in a second start of the
          program with COM1 at that rate (it reads its setup file at start
          only): CPU time and the bytes taken, as in fast.
During both key phases perf traces the system calls and the context switches
of the program's threads. The window's thread (the process's first) gives the
stretches in which it does not wait for events: a tick with its paint and X
round trips, or a key. The longest of them is the longest a key could have
waited for that thread. Each key of 2 ms or more is split into the time until
the window's thread took it, until a thread wrote its byte to the pty, and
until the bench read it.
The resident set is read before and after the keys and stream phases, so
the growth of the second minute of the stream is that of a warmed-up
program.
Then the start-up: the time from starting each program, and a bare Qt
window (minimal_qt_window), until X maps its window, taken in turns.

The bare window goes through the same phases, reading the pty in a thread as
the program does and painting what arrived every 100 ms (minimal_qt_window
--port): its column is the floor, what the same work costs any Qt program on
this machine, and the goals are ratios to it. With --rounds N the floor and every build go through
their phases N times in turns, each time on a fresh display, so that a slow
stretch of the machine falls on all of them alike; the table shows the
median of each subject's rounds (the keys of all rounds pooled), and every
round's CPU figures and keys go to stderr to show the spread. With
--floor-clock the bare window also runs with a clock field set once a
second (minimal_qt_window --clock), beside the floor.

CPU and memory figures are per minute of the phase; the machine may be
shared, so CPU *time* is measured, which others' load hardly changes, while
the key latency and the start-up times do change with it: compare builds
from the same run only.

  window_bench.py [--seconds S] [--starts N] [--rounds N] [--floor-clock]
                  [--profile DIR] [--no-trace] --minimal PATH [LABEL=]BINARY...
"""

import argparse
import collections
import bisect
import os
import random
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import tty

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "harness"))
import quorvant_harness as qh  # noqa: E402

from Xlib import X, XK, display as xdisplay  # noqa: E402
from Xlib.ext import xtest  # noqa: E402

RATE = 11520                                        # bytes per second, 115200 baud
FAST_RATE = 92160                                   # bytes per second, 921600 baud
FULL_RATE = 400000                                  # bytes per second, 4,000,000 baud
# Every program runs with COM1 at the fastest rate of its settings dialog, so
# that the fast phases are a line it was set up for; the slower phases are the
# same work at any setting. The full phase needs a start of its own with the
# rate a setup file may name beyond the dialog's.
FAST_BAUD = 921600
FULL_BAUD = 4000000
SETUP = (b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=%d\r\nCOMPARI=N\r\nCOMBITS=8\r\n"
         b"COMSTOP=1\r\n")
# The phases with key probes, and the rate of each.
KEY_PHASES = (("keys", RATE), ("fastkeys", FAST_RATE))
# A key slower than this is matched to what the window's thread was doing.
SLOW_KEY = 0.002
LINE = b"0123456789" * 7 + b"abcdefgh" + b"\r\n"   # 80 bytes
SLICE = 0.01                                        # pacing step of the stream
KEY_GAP = (0.04, 0.13)                              # seconds between key presses
KEY_LOST_AFTER = 0.5                                # released before auto-repeat
SETTLE = 2.0                                        # after the window maps
MAP_TIMEOUT = 30.0
LETTERS = "abcdefghijklmnopqrstuvwxyz"
# The bare window polling the pty as the program does, without anything else:
# the least any Qt program costs here for the same work.
FLOOR_LABEL = "bare Qt window"
# The same window showing the time once a second in a field of the
# program's clock size: what a visible clock adds to any Qt program.
FLOOR_CLOCK_LABEL = "bare window + clock"
# The goals are relative: on a shared virtual machine the same work costs more
# or less from one hour to the next, and the floor of the same run pays that
# too. Phases summed are those whose goal is the program and its X server
# together, since drawing less in one only moves work to the other.
RATIO_GOAL = "<= 1.2 x floor"
SUMMED_PHASES = ("stream", "fast", "full")


def on_cpu_seconds(pid):
    """The scheduler's own count of time on a CPU, all threads, in ns
    resolution: utime and stime come in clock ticks, too coarse for the
    idle figures."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass  # the thread ended meanwhile
    return total / 1e9


# The system calls the window's thread waits in for its events: glib's poll,
# or ppoll of Qt's own dispatcher. libxcb also polls, for its one socket and
# without a time limit, and waits for a reply on a condition variable; both
# are part of the work the thread is busy with. A window with a timer running
# (each program's poll tick, the floor's read tick) waits for events with a
# time limit or on more than one descriptor.
POLL, PPOLL = 7, 271
NO_TIME_LIMIT = 0xffffffff
# A key's byte goes to the pty in a write of its own.
WRITE = 1


def is_event_wait(number, args):
    if number == PPOLL:
        return True
    return number == POLL and (int(args[1], 16) >= 2 or int(args[2], 16) != NO_TIME_LIMIT)


# preempted_by: the process that took the CPU for most of the preempted time.
Stretch = collections.namedtuple("Stretch",
                                 "start end timer on_cpu waiting preempted preempted_by")



class ThreadTrace:
    """perf's trace of a program over a phase: the system calls its threads
    enter and leave and the moments they leave a CPU, timed on the monotonic
    clock the bench times the keys with. The kernel writes a record for each
    (some thousand a second under a stream, most of them the window's
    thread's and the port reader's) and perf copies them out. Its own CPU
    time over the phase is kept, from the moment it is ready: starting up
    costs it a tenth of a second, before the phase."""

    READY = 0.5  # seconds perf is given to start before the phase

    def __init__(self, pid, path):
        self.tid = pid  # the window's thread is the process's first
        self.path = path
        self.cpu_seconds = 0.0
        self.cpu_at_start = 0.0
        self.records = 0
        self.handed = []  # when a thread of the program began a write of one byte
        self.process = subprocess.Popen(
            ["perf", "record", "-q", "-k", "CLOCK_MONOTONIC", "-p", str(pid),
             "-e", "raw_syscalls:sys_enter,raw_syscalls:sys_exit,sched:sched_switch",
             "-o", path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def begin(self):
        time.sleep(self.READY)
        self.cpu_at_start = on_cpu_seconds(self.process.pid)

    def stop(self):
        # Its time while recording, not the writing out after the phase.
        self.cpu_seconds = on_cpu_seconds(self.process.pid) - self.cpu_at_start
        self.process.send_signal(signal.SIGINT)
        self.process.wait()

    def stretches(self):
        """The stretches in which the thread did not sleep in its event wait,
        in order. A wait that returned without sleeping (a poll that found
        work at once, as after each dispatch that posted more) belongs to the
        stretch around it. Off-CPU time inside a stretch is waiting when the
        thread slept (an X reply, a lock) and preempted when it was still
        runnable. Also notes each write of one byte by any thread: a key's
        byte handed to the pty."""
        script = subprocess.run(["perf", "script", "-i", self.path, "-F", "tid,time,event,trace"],
                                capture_output=True, text=True)
        stretches = []
        start = None       # of the stretch under way
        timer = False      # it began with a wait that timed out
        in_wait = slept = False
        wait_entered = 0.0
        off = None         # (time, state, next) the thread left the CPU inside a stretch
        on_cpu = waiting = preempted = 0.0
        preemptors = collections.Counter()
        last = None        # time of the thread's last event inside the stretch
        for line in script.stdout.splitlines():
            fields = line.split(None, 3)
            if len(fields) < 4:
                continue
            self.records += 1
            now = float(fields[1].rstrip(":"))
            event, trace = fields[2].rstrip(":"), fields[3]
            if event == "raw_syscalls:sys_enter" and trace.startswith("NR %d (" % WRITE):
                if int(trace.split("(", 1)[1].split(",")[2], 16) == 1:
                    self.handed.append(now)
            if fields[0] != str(self.tid):
                continue
            if off is not None:
                # Back on a CPU by now. A thread preempted twice between two
                # system calls counts the time it ran in between as off.
                gone = now - off[0]
                if off[1] == "R":
                    preempted += gone
                    preemptors[off[2]] += gone
                else:
                    waiting += gone
                off = None
                last = now
            if event == "raw_syscalls:sys_enter":
                number = int(trace.split()[1])
                args = trace.split("(", 1)[1].split(",")
                if is_event_wait(number, args):
                    in_wait, slept, wait_entered = True, False, now
                    if start is not None:
                        on_cpu += now - last
                        last = now
            elif event == "raw_syscalls:sys_exit":
                number = int(trace.split()[1])
                if in_wait and number in (POLL, PPOLL):
                    in_wait = False
                    if slept or start is None:
                        if start is not None:
                            stretches.append(Stretch(
                                start, wait_entered, timer, on_cpu, waiting, preempted,
                                preemptors.most_common(1)[0][0] if preemptors else ""))
                        start, last = now, now
                        timer = trace.rsplit("=", 1)[1].strip() == "0"
                        on_cpu = waiting = preempted = 0.0
                        preemptors = collections.Counter()
            elif event == "sched:sched_switch" and "prev_pid=%d " % self.tid in trace:
                state = trace.split("prev_state=", 1)[1].split()[0]
                if in_wait:
                    slept = slept or state != "R"
                elif start is not None:
                    on_cpu += now - last
                    off = (now, state, trace.split("next_comm=", 1)[1].split(" next_pid=")[0])
        return stretches


def stretch_text(stretch):
    by = " by %s" % stretch.preempted_by if stretch.preempted_by else ""
    return "%.2f ms (on CPU %.2f, asleep %.2f, preempted %.2f%s)" % (
        (stretch.end - stretch.start) * 1000, stretch.on_cpu * 1000, stretch.waiting * 1000,
        stretch.preempted * 1000, by)


def where_key_waited(stretches, starts, handed, pressed, latency):
    """Where a key's time went: (text, stages). The stages are the time
    until the window's thread took the key (the X server, Qt's X reader
    thread and a busy window's thread), until a thread of the program
    handed its byte to the pty (the window's own handling, and for a
    program whose port has a thread of its own, that thread's wake-up),
    and until the bench read it; None when the trace missed the byte."""
    arrived = pressed + latency
    at = bisect.bisect_right(starts, pressed) - 1
    busy = stretches[at] if at >= 0 and stretches[at].end > pressed else None
    following = stretches[at + 1] if at + 1 < len(stretches) else None
    if busy:
        thread = "the window's thread was busy %.2f ms more in a %s%s" % (
            (busy.end - pressed) * 1000, "timer " if busy.timer else "", stretch_text(busy))
    else:
        thread = "the window's thread was free"
    out = bisect.bisect_left(handed, pressed)
    if out >= len(handed) or handed[out] > arrived:
        return thread + " (no byte handed over in the trace)", None
    handed_at = handed[out]
    took = min(following.start, handed_at) if following is not None else handed_at
    stages = (took - pressed, handed_at - took, arrived - handed_at)
    woke = ""
    if following is not None and following.start <= handed_at:
        woke = "; it took the key in a %s" % stretch_text(following)
    text = ("%.2f ms to the window's thread, %.2f ms more to the pty, %.2f ms out; %s%s" % (
        stages[0] * 1000, stages[1] * 1000, stages[2] * 1000, thread, woke))
    return text, stages


class MapWatch:
    """An X connection that sees every top-level window being mapped."""

    def __init__(self, display_name):
        self.x = xdisplay.Display(display_name)
        self.root = self.x.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.x.sync()

    def drain(self):
        while self.x.pending_events():
            self.x.next_event()

    def wait_map(self, process, timeout=MAP_TIMEOUT):
        """(monotonic time of the first MapNotify, window) after now."""
        deadline = time.monotonic() + timeout
        fd = self.x.fileno()
        while True:
            while self.x.pending_events():
                event = self.x.next_event()
                if event.type == X.MapNotify:
                    return time.monotonic(), event.window
            if process.poll() is not None:
                raise qh.Failure("the program ended before its window mapped")
            left = deadline - time.monotonic()
            if left <= 0:
                raise qh.Timeout("no window mapped within %.0f s" % timeout)
            select.select([fd], [], [], min(left, 0.1))

    def close(self):
        self.x.close()


class Line:
    """The far end of COM1 without a reader thread: the bench reads the
    master itself, so that it can timestamp every byte as it arrives."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        tty.setraw(self.slave)
        os.set_blocking(self.master, False)
        self.slave_path = os.ttyname(self.slave)

    def try_write(self, data):
        try:
            return os.write(self.master, data)
        except BlockingIOError:
            return 0

    def read(self):
        try:
            return os.read(self.master, 4096)
        except (BlockingIOError, OSError):
            return b""

    def close(self):
        for fd in (self.master, self.slave):
            os.close(fd)


def program_folder(binary, line_path, baud=FAST_BAUD):
    """A folder with a copy of the program and ports/com1 leading to the pty."""
    folder = tempfile.mkdtemp(prefix="quorvant-bench-")
    shutil.copy2(binary, os.path.join(folder, "quorvant"))
    os.mkdir(os.path.join(folder, "ports"))
    qh.point_link(os.path.join(folder, "ports", "com1"), line_path)
    with open(os.path.join(folder, "quorvant.ini"), "wb") as f:
        f.write(SETUP % baud)
    return folder


def start(command, folder, display):
    env = dict(display.env, QT_QPA_PLATFORM="xcb")
    return subprocess.Popen(command, cwd=folder, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Run:
    """One program on its own display and line, through its phases."""

    def __init__(self, binary, seconds, profile=None, label="", floor_options=None,
                 baud=FAST_BAUD, trace=True):
        """binary is a build of the program or, with floor_options (a list,
        perhaps empty), the bare window, which then reads the pty itself.
        baud is COM1's rate in the program's setup file."""
        floor = floor_options is not None
        self.seconds = seconds
        self.profile = profile
        self.profile_label = label.replace("/", "_").replace(" ", "-")
        self.display = qh.XvfbDisplay()
        self.line = Line()
        self.watch = MapWatch(self.display.name)
        if floor:
            self.folder = tempfile.mkdtemp(prefix="quorvant-bench-")
            command = [binary, "--port", self.line.slave_path] + floor_options
        else:
            self.folder = program_folder(binary, self.line.slave_path, baud)
            command = [os.path.join(self.folder, "quorvant")]
        self.process = start(command, self.folder, self.display)
        _, self.window = self.watch.wait_map(self.process)
        if not floor:
            check_main_window(self.window)
        self.pid = self.process.pid
        self.xpid = self.display.process.pid
        self.offered = self.accepted = 0
        self.rate = RATE
        self.stream_start = None
        self.stream_paused = None
        self.trace = trace
        self.keys = []  # (time of the press, latency) of the phase under way
        self.lost = 0
        self.phase_keys = {}  # phase: [latency]
        self.phase_lost = {}
        self.longest = {}  # phase: (longest stretch, longest timer stretch, stretches)
        self.trace_cpu = {}  # phase: perf's CPU seconds per minute
        self.trace_records = {}  # phase: records per minute
        self.ticks = {}  # phase: (wall, on CPU) of each stretch woken by a timer
        self.slow_keys = []  # text lines, one per slow key
        self.slow_stages = {}  # phase: the stages of each slow key (where_key_waited)
        self.figures = {}

    def focus(self):
        # No window manager: the pointer over the window and the input focus
        # set directly send the keys there.
        geometry = self.window.get_geometry()
        self.window.warp_pointer(geometry.width // 2, geometry.height // 2)
        self.window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.watch.x.sync()

    def record(self, phase):
        """perf record of the program (call graphs) over one phase, when asked,
        on the clock the keys are timed with, so that the samples around a
        slow key can be picked (perf script --time)."""
        if not self.profile:
            return None
        os.makedirs(self.profile, exist_ok=True)
        data = os.path.join(self.profile, "%s-%s.perf.data" % (self.profile_label, phase))
        return subprocess.Popen(["perf", "record", "-q", "-k", "CLOCK_MONOTONIC", "--call-graph",
                                 "dwarf,16384", "-F", "997", "-p", str(self.pid), "-o", data],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def start_trace(self, phase):
        if not self.trace:
            return None
        folder = self.profile or self.folder
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "%s-%s.trace.data" % (self.profile_label, phase))
        return ThreadTrace(self.pid, path)

    def read_trace(self, phase, trace, wall):
        """The longest stretches of the window's thread, and where each slow
        key of the phase found it."""
        trace.stop()
        stretches = trace.stretches()
        self.trace_cpu[phase] = trace.cpu_seconds * 60.0 / wall
        if not stretches:
            return
        longest = max(stretches, key=lambda s: s.end - s.start)
        timers = [s for s in stretches if s.timer]
        longest_timer = max(timers, key=lambda s: s.end - s.start) if timers else None
        self.longest[phase] = (longest, longest_timer, len(stretches))
        self.ticks[phase] = [(s.end - s.start, s.on_cpu) for s in timers]
        self.trace_records[phase] = trace.records * 60.0 / wall
        starts = [s.start for s in stretches]
        for pressed, latency in self.keys:
            if latency >= SLOW_KEY and stretches[0].start <= pressed:
                text, stages = where_key_waited(stretches, starts, trace.handed, pressed, latency)
                self.slow_keys.append("%s %.2f ms: %s" % (phase, latency * 1000, text))
                if stages:
                    self.slow_stages.setdefault(phase, []).append(stages)

    def cpu(self):
        return (qh.process_cpu_seconds(self.pid), qh.process_cpu_seconds(self.xpid),
                on_cpu_seconds(self.pid), on_cpu_seconds(self.xpid))

    def rss(self):
        return qh.process_status_kib(self.pid, "VmRSS")

    def phase(self, name, stream, keys):
        recorder = self.record(name)
        trace = self.start_trace(name) if keys else None
        if trace:
            trace.begin()
        self.keys, self.lost = [], 0
        cpu_before, start_time = self.cpu(), time.monotonic()
        self.loop(start_time + self.seconds, stream, keys)
        cpu_after, wall = self.cpu(), time.monotonic() - start_time
        if recorder:
            recorder.send_signal(signal.SIGINT)
            recorder.wait()
        if keys:
            self.phase_keys[name] = [latency for _, latency in self.keys]
            self.phase_lost[name] = self.lost
            if trace:
                self.read_trace(name, trace, wall)
        per_minute = 60.0 / wall
        self.figures[name + "_cpu"] = (cpu_after[0] - cpu_before[0]) * per_minute
        self.figures[name + "_xcpu"] = (cpu_after[1] - cpu_before[1]) * per_minute
        self.figures[name + "_oncpu"] = (cpu_after[2] - cpu_before[2]) * per_minute
        self.figures[name + "_xoncpu"] = (cpu_after[3] - cpu_before[3]) * per_minute

    def loop(self, end, stream, keys):
        """Feeds the stream, presses keys and reads the pty until end."""
        x = self.watch.x
        codes = {c: x.keysym_to_keycode(XK.string_to_keysym(c)) for c in LETTERS}
        pressed = None  # (letter, time of the press)
        next_key = time.monotonic() + random.uniform(*KEY_GAP)
        next_slice = time.monotonic()
        if stream and self.stream_start is None:
            self.stream_start = time.monotonic()
        elif stream and self.stream_paused is not None:
            # The line pauses between two phases of one stream (reading a
            # trace takes a second or two): what was not due then is not
            # written at once when the next phase starts.
            self.stream_start += time.monotonic() - self.stream_paused
        self.stream_paused = None
        while True:
            now = time.monotonic()
            if now >= end:
                self.stream_paused = now
                break
            if stream and now >= next_slice:
                due = (int((now - self.stream_start) * self.rate) - self.offered) // len(LINE)
                if due > 0:
                    # What the pty does not take now is dropped, as a line would.
                    self.accepted += self.line.try_write(LINE * due)
                    self.offered += due * len(LINE)
                next_slice += SLICE
            if keys and pressed is None and now >= next_key:
                letter = random.choice(LETTERS)
                pressed = (letter, time.monotonic())
                xtest.fake_input(x, X.KeyPress, codes[letter])
                x.flush()
            wake = [end]
            if stream:
                wake.append(next_slice)
            if keys:
                wake.append(pressed[1] + KEY_LOST_AFTER if pressed else next_key)
            ready, _, _ = select.select([self.line.master], [], [],
                                        max(0.0, min(wake) - time.monotonic()))
            arrived = time.monotonic()
            data = self.line.read() if ready else b""
            if pressed is None:
                continue
            letter, pressed_at = pressed
            if data:
                self.keys.append((pressed_at, arrived - pressed_at))
            elif arrived - pressed_at < KEY_LOST_AFTER:
                continue
            else:
                self.lost += 1
            xtest.fake_input(x, X.KeyRelease, codes[letter])
            x.flush()
            pressed = None
            next_key = time.monotonic() + random.uniform(*KEY_GAP)

    def measure(self):
        time.sleep(SETTLE)
        self.watch.drain()
        self.phase("idle", stream=False, keys=False)
        rss_start = self.rss()
        self.focus()
        self.phase("keys", stream=True, keys=True)
        rss_minute = self.rss()
        self.phase("stream", stream=True, keys=False)
        rss_end = self.rss()
        self.figures["rss_first"] = rss_minute - rss_start
        self.figures["rss_second"] = rss_end - rss_minute
        self.figures["rss_end"] = rss_end
        self.figures["accepted_rate"] = self.accepted / max(1e-9, self.offered) * RATE
        # A stream of its own: the counts start again at the new rate.
        self.new_stream(FAST_RATE)
        self.phase("fastkeys", stream=True, keys=True)
        self.phase("fast", stream=True, keys=False)
        self.figures["fast_rate"] = self.accepted / max(1e-9, self.offered) * FAST_RATE

    def new_stream(self, rate):
        self.offered = self.accepted = 0
        self.stream_start = self.stream_paused = None
        self.rate = rate

    def measure_full(self):
        """The full phase, in a run started with COM1 at FULL_BAUD."""
        time.sleep(SETTLE)
        self.new_stream(FULL_RATE)
        self.phase("full", stream=True, keys=False)
        self.figures["full_rate"] = self.accepted / max(1e-9, self.offered) * FULL_RATE

    def close(self):
        stop(self.process)
        self.watch.close()
        self.line.close()
        self.display.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def start_times(binaries, minimal, starts, floor_options=([],)):
    """Median start-to-map time of the bare window (once for each list of
    floor_options) and of each program, in that order, in turns on one
    display; a first round only warms the caches."""
    display = qh.XvfbDisplay()
    watch = MapWatch(display.name)
    # A fresh pty for every start: one that an earlier run held exclusively
    # may refuse the next, which would then time its error box instead.
    lines = []
    folders = [program_folder(b, "/nonexistent") for b in binaries]
    commands = [([minimal] + options, tempfile.gettempdir(), None) for options in floor_options]
    commands += [([os.path.join(f, "quorvant")], f, os.path.join(f, "ports", "com1"))
                 for f in folders]
    times = [[] for _ in commands]
    try:
        for round_number in range(starts + 1):
            for index, (command, folder, port_link) in enumerate(commands):
                if port_link:
                    lines.append(Line())
                    qh.point_link(port_link, lines[-1].slave_path)
                watch.drain()
                began = time.monotonic()
                process = start(command, folder, display)
                try:
                    mapped, window = watch.wait_map(process)
                    if port_link:
                        check_main_window(window)
                finally:
                    stop(process)
                if round_number > 0:
                    times[index].append(mapped - began)
    finally:
        watch.close()
        for line in lines:
            line.close()
        display.close()
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)
    return [(statistics.median(t), min(t)) for t in times]


def check_main_window(window):
    name = window.get_wm_name() or ""
    qh.check(qh.WINDOW_TITLE_WORD in name,
             "the first window mapped is %r, not the main window" % name)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def median_figures(rounds):
    """Each figure's median over the rounds. A summed phase takes the program
    and X figures of its middle round by their sum (the mean of the two
    middle rounds for an even count): the row then still adds up, and its
    sum, which the goal is about, is the median sum."""
    figures = {name: statistics.median(r[name] for r in rounds) for name in rounds[0]}
    for phase in SUMMED_PHASES:
        for program, xserver in ((phase + "_cpu", phase + "_xcpu"),
                                 (phase + "_oncpu", phase + "_xoncpu")):
            ordered = sorted(rounds, key=lambda r: r[program] + r[xserver])
            middle = ordered[(len(ordered) - 1) // 2:len(ordered) // 2 + 1]
            for name in (program, xserver):
                figures[name] = statistics.mean(r[name] for r in middle)
    return figures


def summed_cpu(figures, phase, count="cpu"):
    """count: "cpu" for utime + stime, "oncpu" for the scheduler's count."""
    program, xserver = figures[phase + "_" + count], figures[phase + "_x" + count]
    return "%.2f + %.2f = %.2f s" % (program, xserver, program + xserver)


def round_figures(run):
    """One round's CPU figures and keys on one line, to show the spread of
    the rounds: a slow stretch of the machine shows in all of them at once."""
    figures = run.figures
    texts = []
    for phase, _ in KEY_PHASES:
        keys = run.phase_keys.get(phase)
        texts.append("%s p90 %.2f ms, slowest %.2f ms" % (
            phase, percentile(keys, 0.9) * 1000, max(keys) * 1000) if keys else
            "%s: no keys timed" % phase)
        if phase in run.longest:
            longest, _, count = run.longest[phase]
            texts.append("longest of %d stretches %s, perf %.3f s/min" % (
                count, stretch_text(longest), run.trace_cpu[phase]))
    return "on-CPU: idle %.3f s, stream %s, fast %s, full %s; %s" % (
        figures["idle_oncpu"], summed_cpu(figures, "stream", "oncpu"),
        summed_cpu(figures, "fast", "oncpu"), summed_cpu(figures, "full", "oncpu"),
        "; ".join(texts))


class Subject:
    """The floor or one build over all its rounds, each a fresh Run."""

    def __init__(self, label, binary, floor_options=None):
        self.label = label
        self.binary = binary
        self.floor_options = floor_options
        self.rounds = []  # the figures of every round, in order
        self.figures = {}  # their medians
        # Per key phase, of all rounds: a round's few slow keys are too few
        # for a p90 of their own.
        self.keys = collections.defaultdict(list)
        self.lost = collections.defaultdict(int)
        self.round_slowest = collections.defaultdict(list)  # each round's slowest key
        # Per key phase, each round's longest stretch and longest timer stretch.
        self.longest = collections.defaultdict(list)
        self.timer_longest = collections.defaultdict(list)
        self.trace_cpu = collections.defaultdict(list)
        self.trace_records = collections.defaultdict(list)
        self.ticks = collections.defaultdict(list)
        self.slow_stages = collections.defaultdict(list)
        self.start = None  # (median, fastest) start to map

    def measure(self, seconds, profile, round_label, trace):
        run = Run(self.binary, seconds, profile, round_label, self.floor_options, trace=trace)
        try:
            run.measure()
        finally:
            run.close()
        full = Run(self.binary, seconds, profile, round_label, self.floor_options, FULL_BAUD,
                   trace=False)
        try:
            full.measure_full()
        finally:
            full.close()
        run.figures.update(full.figures)
        self.rounds.append(run.figures)
        self.figures = median_figures(self.rounds)
        for phase, _ in KEY_PHASES:
            keys = run.phase_keys.get(phase, [])
            self.keys[phase] += keys
            self.lost[phase] += run.phase_lost.get(phase, 0)
            if keys:
                self.round_slowest[phase].append(max(keys))
            if phase in run.longest:
                longest, timer_longest, _ = run.longest[phase]
                self.longest[phase].append(longest)
                if timer_longest is not None:
                    self.timer_longest[phase].append(timer_longest)
                self.trace_cpu[phase].append(run.trace_cpu[phase])
                self.trace_records[phase].append(run.trace_records[phase])
                self.ticks[phase] += run.ticks[phase]
                self.slow_stages[phase] += run.slow_stages.get(phase, [])
        return run


# A row of the table: cell gives a subject's figure as text; where the figure
# is held against the floor, compared gives the number the ratio is taken of.
Row = collections.namedtuple("Row", "name goal cell compared", defaults=(None,))


def ratio(value, floor):
    # A short phase can leave the floor below one clock tick of CPU time.
    return "(%.2f)" % (value / floor) if floor > 0 else "(-)"


def report(subjects, seconds):
    def ms(value):
        return "%.3f ms" % (value * 1000)

    def stream_rows(phase, rate_text, rate, rate_figure):
        """A stream phase's rows: its CPU against the goal, the coarser count,
        and the bytes the pty took of what was offered."""
        return [
            Row("%s (%s): on-CPU per minute (schedstat), program + X" % (phase, rate_text),
                RATIO_GOAL, lambda s: summed_cpu(s.figures, phase, "oncpu"),
                lambda s: s.figures[phase + "_oncpu"] + s.figures[phase + "_xoncpu"]),
            Row("%s: CPU per minute (utime + stime), program + X" % phase, "",
                lambda s: summed_cpu(s.figures, phase)),
            Row("%s: bytes the pty took per second" % phase, "%d" % rate,
                lambda s: "%.0f" % s.figures[rate_figure]),
        ]

    def longest_cell(stretches):
        if not stretches:
            return "-"
        longest = max(stretches, key=lambda s: s.end - s.start)
        return "%s (median of rounds %.2f ms)" % (stretch_text(longest), statistics.median(
            (s.end - s.start) * 1000 for s in stretches))

    def slow_cell(stages):
        if not stages:
            return "-"
        return "%s ms (%d)" % (" + ".join("%.2f" % (statistics.median(s[i] for s in stages) * 1000)
                                          for i in range(3)), len(stages))

    def key_rows(phase, rate_text, p90_goal):
        """A key phase's rows: the keys pooled over the rounds, and the
        longest stretches of the window's thread in the same phase."""
        def keys(s):
            return s.keys[phase]
        return [
            Row("keys at %s: key to pty, median" % rate_text, "",
                lambda s: ms(statistics.median(keys(s))) if keys(s) else "-"),
            Row("keys at %s: 90th percentile" % rate_text, p90_goal,
                lambda s: ms(percentile(keys(s), 0.9)) if keys(s) else "-"),
            Row("keys at %s: slowest" % rate_text, "<= 5 ms",
                lambda s: ms(max(keys(s))) if keys(s) else "-"),
            Row("keys at %s: median of the rounds' slowest" % rate_text, "",
                lambda s: ms(statistics.median(s.round_slowest[phase]))
                if s.round_slowest[phase] else "-"),
            Row("keys at %s: timed (lost)" % rate_text, "",
                lambda s: "%d (%d)" % (len(keys(s)), s.lost[phase])),
            Row("keys at %s: window's thread, longest busy stretch" % rate_text, "",
                lambda s: longest_cell(s.longest[phase])),
            Row("keys at %s: the same, woken by a timer (a tick and its paint)" % rate_text,
                "<= 5 ms" if phase == "fastkeys" else "",
                lambda s: longest_cell(s.timer_longest[phase])),
            Row("keys at %s: stretches woken by a timer, median: wall, on CPU (count)" % rate_text,
                "", lambda s: "%.2f ms, %.2f ms (%d)" % (
                    statistics.median(w for w, _ in s.ticks[phase]) * 1000,
                    statistics.median(c for _, c in s.ticks[phase]) * 1000, len(s.ticks[phase]))
                if s.ticks[phase] else "-"),
            Row("keys at %s: keys of 2 ms or more: to the window's thread, to the pty, out "
                "(medians; count)" % rate_text, "", lambda s: slow_cell(s.slow_stages[phase])),
            Row("keys at %s: the trace, perf's CPU per minute (records a second)" % rate_text,
                "", lambda s: "%.3f s (%.0f)" % (statistics.median(s.trace_cpu[phase]),
                                                 statistics.median(s.trace_records[phase]) / 60)
                if s.trace_cpu[phase] else "-"),
        ]

    rows = [
        # utime and stime come in 10 ms steps, a few of them in an idle
        # phase and a few dozen in a stream phase of 20 s: the goals are
        # held against the scheduler's own count.
        Row("idle: on-CPU per minute (schedstat), program", RATIO_GOAL,
            lambda s: "%.3f s" % s.figures["idle_oncpu"], lambda s: s.figures["idle_oncpu"]),
        Row("idle: on-CPU per minute (schedstat), X server", "",
            lambda s: "%.3f s" % s.figures["idle_xoncpu"]),
        Row("idle: CPU per minute (utime + stime), program + X", "",
            lambda s: "%.3f + %.3f s" % (s.figures["idle_cpu"], s.figures["idle_xcpu"])),
        *stream_rows("stream", "11,520 B/s", RATE, "accepted_rate"),
        *stream_rows("fast", "92,160 B/s", FAST_RATE, "fast_rate"),
        *stream_rows("full", "400,000 B/s", FULL_RATE, "full_rate"),
        *key_rows("keys", "11,520 B/s", "<= 2 ms"),
        *key_rows("fastkeys", "92,160 B/s", "<= 1 ms"),
        Row("start to mapped window (median)", RATIO_GOAL,
            lambda s: "%.0f ms" % (s.start[0] * 1000), lambda s: s.start[0]),
        Row("the same, fastest start of each", "",
            lambda s: "%.0f ms" % (s.start[1] * 1000), lambda s: s.start[1]),
        Row("RSS growth, first minute of stream (keys)", "",
            lambda s: "%d KiB" % (s.figures["rss_first"] * 60 / seconds)),
        Row("RSS growth, second minute of stream", "0",
            lambda s: "%d KiB" % (s.figures["rss_second"] * 60 / seconds)),
        Row("RSS at the end", "", lambda s: "%d KiB" % s.figures["rss_end"]),
    ]
    floor = subjects[0]

    def shown(row, subject):
        text = row.cell(subject)
        if row.compared and subject is not floor:
            text += " " + ratio(row.compared(subject), row.compared(floor))
        return text

    header = ["figure", "goal"] + [s.label for s in subjects]
    table = [header] + [[row.name, row.goal] + [shown(row, s) for s in subjects] for row in rows]
    widths = [max(len(row[i]) for row in table) for i in range(len(header))]
    lines = ["| " + " | ".join(c.ljust(w) for c, w in zip(row, widths)) + " |" for row in table]
    lines.insert(1, "|" + "|".join("-" * (w + 2) for w in widths) + "|")
    print("\n".join(lines))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=float, default=60.0, help="length of each phase")
    parser.add_argument("--starts", type=int, default=9, help="start-up rounds")
    parser.add_argument("--rounds", type=int, default=1,
                        help="rounds of the phases, the floor and every build in turns")
    parser.add_argument("--minimal", required=True, help="the bare Qt window program")
    parser.add_argument("--profile", metavar="DIR",
                        help="also record each phase with perf into DIR")
    parser.add_argument("--no-trace", action="store_true",
                        help="no perf trace of the window's thread in the key phases")
    parser.add_argument("--floor-clock", action="store_true",
                        help="also measure the bare window with a clock field set once a "
                             "second, as the program's, beside the floor")
    parser.add_argument("binaries", nargs="+", help="[LABEL=]path of a program build")
    args = parser.parse_args()
    if args.rounds < 1:
        parser.error("--rounds must be at least 1")

    minimal = os.path.abspath(args.minimal)
    subjects = [Subject(FLOOR_LABEL, minimal, floor_options=[])]
    if args.floor_clock:
        subjects.append(Subject(FLOOR_CLOCK_LABEL, minimal, floor_options=["--clock"]))
    for item in args.binaries:
        label, _, path = item.rpartition("=")
        subjects.append(Subject(label or path, os.path.abspath(path)))

    # The trace needs perf and the right to trace (root or CAP_PERFMON).
    trace = not args.no_trace and shutil.which("perf") is not None
    for number in range(1, args.rounds + 1):
        for subject in subjects:
            # Every round its own perf data, not the last round's alone.
            round_label = subject.label
            if args.rounds > 1:
                round_label += "-round%d" % number
            run = subject.measure(args.seconds, args.profile, round_label, trace)
            print("round %d/%d, %s: %s" % (number, args.rounds, subject.label, round_figures(run)),
                  file=sys.stderr)
            for line in run.slow_keys:
                print("  slow key, %s" % line, file=sys.stderr)
    floors = [s for s in subjects if s.floor_options is not None]
    builds = [s for s in subjects if s.floor_options is None]
    times = start_times([s.binary for s in builds], minimal, args.starts,
                        [s.floor_options for s in floors])
    for subject, start_time in zip(floors + builds, times):
        subject.start = start_time
    rounds = ("1 round" if args.rounds == 1 else
              "%d rounds in turns (medians)" % args.rounds)
    print("%g s per phase, %s; CPU time from /proc; start-up: median of %d rounds in turns"
          % (args.seconds, rounds, args.starts))
    report(subjects, args.seconds)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""A long run of the test stream through the real Linux program.

COM1 is a pty. The far end feeds the program numbered, check-summed stream
lines (what SendX of a second program sends) at the pace of a 115200-baud
8E1 line, and the program's own SendX runs the whole time, so that both
directions are busy at once. SyncX aligns the display at the start.

What is checked:
- The screen. Once a minute DisplayHalt freezes the display, the mouse
  selects its visible text, and the X primary selection gives that text
  back; every whole line on it must be a valid stream line (80 characters,
  its marker where its number puts it, a matching checksum). This reads
  what the user sees, through the program's own display widget, without a
  copy or log feature.
- What the program sends back: every line of its SendX stream must be
  valid and follow the previous one.
- Memory: the resident size is sampled each minute and must be flat after
  the first minute of warm-up.
- No crash: the program must still run at the end.

Usage: soak/stream_soak.py PATH_TO_QUORVANT [--minutes M] [--sample-seconds S]
Exit status 0 when every check held, 1 otherwise.
"""

import argparse
import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "harness"))
import quorvant_harness as qh  # noqa: E402

# Dialog-unit rectangles of the main window's controls.
DISPLAY_DU = (1, 34, 332, 206)
SENDX_DU = (168, 2, 25, 11)
SYNCX_DU = (194, 2, 24, 11)
HALT_DU = (219, 2, 50, 11)

# What 115200 baud delivers at most: ten bits a byte (start, 8 data, stop).
# The program's own 8E1 setting would carry 11 bits a byte; feeding at the
# faster pace leaves the program less slack, not more.
BYTES_PER_SECOND = 115200 / 10
FEED_SLICE = 0.02
# More than this at once only fills the pty buffer ahead of the program.
MAX_CHUNK = 4096
STREAM_NUMBERS = 100000
# The feeder must keep the pace of the line to within this share.
MIN_PACE_SHARE = 0.98
# After the first sample the resident size may move by allocator noise only.
RSS_DRIFT_LIMIT_KB = 2048
# A screen with fewer whole lines than this was not read at all.
MIN_SCREEN_LINES = 5


def stream_line(number):
    """One line as SendX builds it."""
    head = qh.STREAM_HEAD + b"%05d" % number
    marks = bytearray(b"-" * 34)
    marks[1 + number % 32] = ord("#")
    body = head + bytes(marks)
    return body + b"CS=%04XX" % ((0xF1C4 + sum(body)) & 0xFFFF)


class Feeder:
    """Writes stream lines into the line at the pace of the baud rate.

    The pace is kept against the monotonic clock, not by sleeping per line:
    every slice the feeder writes what the clock says is due, so a late wake
    or a short write is made up in the next slice instead of being lost. The
    master is non-blocking; a full pty buffer means the program does not take
    the bytes as fast as the line delivers them, which shows as a rate below
    the pace."""

    def __init__(self, line):
        self.line = line
        self.running = True
        self.number = 0
        self.pending = bytearray()
        self.sent = 0
        self.started = time.monotonic()
        self.finished = None
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _due(self, now):
        return int((now - self.started) * BYTES_PER_SECOND) - self.sent

    def _refill(self, due):
        while len(self.pending) < due:
            self.pending += stream_line(self.number)
            self.number = (self.number + 1) % STREAM_NUMBERS

    def _run(self):
        next_slice = self.started
        while self.running:
            due = min(self._due(time.monotonic()), MAX_CHUNK)
            if due > 0:
                self._refill(due)
                taken = self.line.try_write(bytes(self.pending[:due]))
                del self.pending[:taken]
                self.sent += taken
            next_slice += FEED_SLICE
            delay = next_slice - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            else:
                next_slice = time.monotonic()  # woken late: do not sprint to catch up slices
        self.finished = time.monotonic()

    def rate(self):
        """Bytes per second written so far."""
        end = self.finished or time.monotonic()
        return self.sent / max(end - self.started, 1e-9)

    def stop(self):
        self.running = False
        self.thread.join(2)


class ReturnChecker:
    """Checks the program's own stream as it arrives, across chunk borders."""

    def __init__(self):
        self.carry = b""
        self.last_line = None
        self.lines = 0
        self.problem = None

    def take(self, data):
        data = self.carry + data
        if self.last_line is None:
            start = data.find(qh.STREAM_HEAD)
            if start < 0:
                self.carry = data[-len(qh.STREAM_HEAD):]
                return
            data = data[start:]
        whole = len(data) // qh.STREAM_LINE * qh.STREAM_LINE
        block, self.carry = data[:whole], data[whole:]
        if not block or self.problem:
            return
        if self.last_line is not None:
            block = self.last_line + block
        problem = qh.stream_line_problems(block)
        if problem:
            self.problem = problem
        self.last_line = block[-qh.STREAM_LINE:]
        self.lines += whole // qh.STREAM_LINE


def primary_selection(display):
    """The text of the X primary selection."""
    result = display.run("xclip", "-o", "-selection", "primary", check=False, timeout=20)
    return result.stdout if result.returncode == 0 else ""


def click(run, rect):
    x, y, w, h = rect
    run.click_dialog(x + w / 2, y + h / 2)


def read_screen(run):
    """The visible display text, by selecting it with the mouse while the
    display is halted."""
    click(run, HALT_DU)
    time.sleep(0.5)
    x, y, w, h = run.dialog_rect(*DISPLAY_DU)
    run.display.run("xdotool", "mousemove", "--window", run.window, str(x + 4), str(y + 4),
                    "mousedown", "1", "mousemove", "--window", run.window, str(x + w - 24),
                    str(y + h - 6), "mouseup", "1")
    text = primary_selection(run.display)
    click(run, HALT_DU)
    # A halted display drops what arrives, wherever a line stands: align the
    # display with the line starts again.
    click(run, SYNCX_DU)
    run.focus()
    return text.replace("\u2029", "\n")


def screen_problems(text):
    """The whole lines of a screen text: (count, first problem or None). The
    first and the last line may be cut by the selection."""
    lines = text.split("\n")[1:-1]
    checked = 0
    for line in lines:
        if not line:
            continue
        problem = qh.stream_line_problems(line.encode("latin-1", "replace"))
        if problem:
            return checked, problem
        checked += 1
    return checked, None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--sample-seconds", type=float, default=60,
                        help="seconds between memory samples and screen reads")
    args = parser.parse_args()

    display = qh.XvfbDisplay()
    line = qh.PtyLine()
    run = None
    feeder = None
    failures = []
    rss = []
    screens = []
    returned = ReturnChecker()
    program_cpu_seconds = None
    try:
        run = qh.LinuxProgram(args.binary, display, line)
        run.find_window()
        pid = run.process.pid
        run.focus()
        click(run, SYNCX_DU)
        click(run, SENDX_DU)
        feeder = Feeder(line)

        end = time.monotonic() + args.minutes * 60
        next_sample = time.monotonic() + args.sample_seconds
        while time.monotonic() < end:
            time.sleep(0.2)
            returned.take(line.take())
            if run.process.poll() is not None:
                failures.append("the program ended after %.0f s" % (time.monotonic() - end +
                                                                    args.minutes * 60))
                break
            if time.monotonic() >= next_sample:
                next_sample += args.sample_seconds
                rss.append(qh.process_status_kib(pid, "VmRSS"))
                count, problem = screen_problems(read_screen(run))
                screens.append(count)
                print("minute %.1f: RSS %d kB, %d screen lines valid%s, %d lines sent back, "
                      "fed %.0f bytes/s" % ((time.monotonic() - end) / 60 + args.minutes,
                                            rss[-1], count, "; " + problem if problem else "",
                                            returned.lines, feeder.rate()), flush=True)
                if problem:
                    failures.append("screen: " + problem)
                elif count < MIN_SCREEN_LINES:
                    failures.append("only %d whole lines read from the screen" % count)
        if run.process.poll() is not None:
            if not failures:
                failures.append("the program ended")
        else:
            program_cpu_seconds = qh.process_cpu_seconds(pid)
    except qh.Failure as error:
        failures.append(str(error))
    finally:
        if feeder is not None:
            feeder.stop()
        if run is not None:
            run.close()
        line.close()
        display.close()

    if feeder is not None:
        print("fed to the program: %d bytes, %d lines, %.0f bytes/s (the line's pace: %.0f)"
              % (feeder.sent, feeder.sent // qh.STREAM_LINE, feeder.rate(), BYTES_PER_SECOND))
        if feeder.rate() < MIN_PACE_SHARE * BYTES_PER_SECOND:
            failures.append("the feed reached %.0f bytes/s only" % feeder.rate())
    if program_cpu_seconds is not None:
        print("program CPU: %.1f s in %.1f min, %.1f %%"
              % (program_cpu_seconds, args.minutes,
                 100 * program_cpu_seconds / (args.minutes * 60)))
    print("screen lines checked: %d in %d reads" % (sum(screens), len(screens)))
    print("lines the program sent back: %d, all valid and consecutive: %s"
          % (returned.lines, "no (%s)" % returned.problem if returned.problem else "yes"))
    if returned.problem:
        failures.append("returned stream: " + returned.problem)
    if returned.lines == 0:
        failures.append("the program sent no stream lines")
    if rss:
        print("RSS kB per minute: %s" % " ".join(str(v) for v in rss))
        settled = rss[1:] if len(rss) > 2 else rss
        drift = max(settled) - min(settled)
        print("RSS after warm-up: min %d kB, max %d kB" % (min(settled), max(settled)))
        if drift > RSS_DRIFT_LIMIT_KB:
            failures.append("RSS moved by %d kB after warm-up" % drift)
    for failure in failures:
        print("FAIL - " + failure)
    print("stream soak: %s" % ("passed" if not failures else "FAILED"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

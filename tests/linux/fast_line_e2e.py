#!/usr/bin/env python3
"""Lines at full speed, end to end, with the log on (F9): numbered 80-byte
lines fed into the pty at the rate the line carries. At 921600 8N1 (92,160
bytes a second) the feeder never falls more than 32 kB behind and the log
holds every line once, in order; the same while the save dialog or the
log's write-failure box stands for 4 s in the middle, with 64 kB of slack.
At 4,000,000 baud (400,000 bytes a second) every line is logged, the feeder
stays within 128 kB and a key typed meanwhile goes out within 100 ms.

At 115200 baud the program takes 1200 bytes a tick, and a backlog above
10000 bytes is dropped with a FLUSH row in the log. F2 pressed while a
backlog waits leaves every line of it in the log. At 1200 baud SendX writes
no faster than the line sends (a line every eight ticks), and a key pressed
meanwhile goes out at once.

Usage: fast_line_e2e.py PATH_TO_QUORVANT
"""

import os
import resource
import shutil
import signal
import sys
import tempfile
import termios
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import quorvant_harness as qh  # noqa: E402

SECONDS = 4
LINE_RATE = 92160
MAX_BEHIND = 32 * 1024

failures = []


def expect(condition, what):
    """Reports one check and goes on, so that one run shows every failure."""
    print(("ok   - " if condition else "FAIL - ") + what, flush=True)
    if not condition:
        failures.append(what)


def setup(baud, parity):
    return (b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=%d\r\nCOMPARI=%s\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"
            % (baud, parity))


def numbered_lines(count, first=0):
    """Lines of 78 characters and CR LF: one log row each."""
    return [(b"%06d " % i + b"0123456789abcdef" * 5)[:78] for i in range(first, first + count)]


def joined(lines):
    return b"".join(text + b"\r\n" for text in lines)


def log_texts(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        rows = f.read().split(b"\n")[:-1]
    return [row.split(b";", 1)[1] if b";" in row else row for row in rows]


def is_flush_row(text):
    return text.startswith(b"==== FLUSH COM PORT")


def lines_problem(got, lines):
    """None when got is lines, else where they part."""
    if got == lines:
        return None
    first = next((i for i, (a, b) in enumerate(zip(got, lines)) if a != b),
                 min(len(got), len(lines)))
    return ("%d of %d lines, the first difference at line %d (%r), %d FLUSH rows"
            % (len(got), len(lines), first, got[first] if first < len(got) else None,
               sum(map(is_flush_row, got))))


class Run:
    """The program at a line rate with its log on (F9), HOME a folder of
    its own."""

    def __init__(self, binary, display, baud, parity, preexec=None):
        self.home = tempfile.mkdtemp(prefix="quorvant-home-")
        self.log = os.path.join(self.home, "LogFile.csv")
        self.line = qh.PtyLine()
        saved = display.env.get("HOME")
        display.env["HOME"] = self.home
        try:
            self.program = qh.LinuxProgram(binary, display, self.line, setup=setup(baud, parity),
                                           preexec=preexec)
        finally:
            display.env["HOME"] = saved
        self.program.find_window()
        self.program.focus()
        self.program.key("F9")
        qh.wait_for(lambda: len(log_texts(self.log)) == 1, 10, "the log's first row")

    def logged(self, count, timeout=10):
        """The rows after the log's first, once there are count of them, the
        log has stopped growing for a second, or the time is up."""
        sizes = []

        def done():
            sizes.append(os.path.getsize(self.log))
            return len(log_texts(self.log)) > count or sizes[-6:].count(sizes[-1]) == 6
        try:
            qh.wait_for(done, timeout, "the logged lines", interval=0.2)
        except qh.Timeout:
            pass
        return log_texts(self.log)[1:]

    def close(self):
        self.program.close()
        self.line.close()
        shutil.rmtree(self.home, ignore_errors=True)


def check_full_speed(binary, display):
    lines = numbered_lines(SECONDS * LINE_RATE // 80)
    run = Run(binary, display, 921600, b"N")
    try:
        worst = qh.feed_paced(run.line, joined(lines), LINE_RATE)
        expect(worst <= MAX_BEHIND,
               "921600: the feeder at most %d bytes behind (limit %d)" % (worst, MAX_BEHIND))
        problem = lines_problem(run.logged(len(lines)), lines)
        expect(problem is None, "921600: every line logged once, in order%s"
               % (": " + problem if problem else ""))
    finally:
        run.close()


# Below the 10000 bytes a tick at 115200 baud works off rather than drops.
PACE_BYTES = 9600
# 1200 bytes a 100 ms tick, with room for a tick that comes early.
SLOW_MAX_RATE = 15000
FLUSH_BYTES = 20000


def check_base_pace(binary, display):
    """115200 baud: a backlog the program keeps is read at 1200 bytes a
    tick, whatever the input queue holds; one above 10000 bytes is dropped
    with a FLUSH row, and the lines after it are logged again."""
    run = Run(binary, display, 115200, b"E")
    try:
        paced = numbered_lines(PACE_BYTES // 80)
        start = time.monotonic()
        run.line.write(joined(paced), timeout=10)
        got = run.logged(len(paced))
        rate = PACE_BYTES / (time.monotonic() - start)
        expect(rate <= SLOW_MAX_RATE,
               "115200: a backlog of %d bytes is read at no more than 1200 bytes a tick "
               "(%d bytes a second)" % (PACE_BYTES, rate))
        problem = lines_problem(got, paced)
        expect(problem is None, "115200: every line of the backlog logged%s"
               % (": " + problem if problem else ""))

        dropped = numbered_lines(FLUSH_BYTES // 80, first=len(paced))
        run.line.write(joined(dropped), timeout=10)
        qh.wait_for(lambda: any(map(is_flush_row, log_texts(run.log))), 10, "the FLUSH row")
        after = numbered_lines(10, first=len(paced) + len(dropped))
        run.line.write(joined(after), timeout=10)
        rows = run.logged(len(paced) + 1 + len(after))[len(paced):]
        flush = next((i for i, row in enumerate(rows) if is_flush_row(row)), None)
        before, tail = rows[:flush], rows[flush + 1:]
        # A line cut by the drop runs into the first line after it.
        expect(sum(map(is_flush_row, rows)) == 1 and before == dropped[:len(before)]
               and len(before) < len(dropped) and tail[1:] == after[1:]
               and tail[:1] and tail[0].endswith(after[0]),
               "115200: a backlog of %d bytes is dropped with one FLUSH row (%d of its lines "
               "logged before it), the lines after it are logged (%r...)"
               % (FLUSH_BYTES, len(before), [row[:8] for row in tail[:3]]))
    finally:
        run.close()


BACKLOG_BAUD = 230400
# At 230400 8N1 a tick reads 4608 bytes, so 20,000 bytes wait four ticks.
BACKLOG_BYTES = 20000
BACKLOG_READ_SECONDS = 0.4
SPECIAL_COMMAND_END = b"\x1cT"


def check_special_command_in_backlog(binary, display):
    """F2 while 20,000 bytes wait: the bytes it drops before sending reach
    the log, so it holds every line once, in order."""
    run = Run(binary, display, BACKLOG_BAUD, b"N")
    try:
        lines = numbered_lines(BACKLOG_BYTES // 80)
        run.line.write(joined(lines), timeout=10)
        fed = time.monotonic()
        run.program.key("F2")
        run.line.wait_received(lambda data: SPECIAL_COMMAND_END in data, 5, "the F2 command")
        answered = time.monotonic() - fed
        expect(answered < BACKLOG_READ_SECONDS,
               "F2 goes out while the backlog waits (%.0f ms after the feed; reading it all "
               "takes about %.0f ms)" % (answered * 1000, BACKLOG_READ_SECONDS * 1000))
        problem = lines_problem(run.logged(len(lines)), lines)
        expect(problem is None, "F2 during a %d-byte backlog: every line logged once, in "
               "order%s" % (BACKLOG_BYTES, ": " + problem if problem else ""))
    finally:
        run.close()


BOX_STREAM_SECONDS = 8
BOX_OPENS_AT = 2
BOX_STANDS = 4
BOX_MAX_BEHIND = 64 * 1024
SAVE_DU = (224, 241, 20, 11)
SAVE_DIALOG = "quorvant  SAVE screenshot file"


def wait_window(run, name, what, timeout=5):
    try:
        return qh.wait_for(lambda: run.program.visible_windows(name), timeout, what)[0]
    except qh.Timeout:
        return None


def close_window(run, window, name, key):
    run.program.display.run("xdotool", "windowfocus", "--sync", window)
    run.program.key(key)
    try:
        qh.wait_for(lambda: not run.program.visible_windows(name), 10, "the box to close")
        return True
    except qh.Timeout:
        return False


def check_save_dialog_under_stream(binary, display):
    """921600 8N1 for 8 s with the save dialog standing 4 s in the middle:
    the program reads on under it, and Escape loses nothing."""
    lines = numbered_lines(BOX_STREAM_SECONDS * LINE_RATE // 80)
    run = Run(binary, display, 921600, b"N")
    try:
        feeder = qh.Feeder(run.line, joined(lines), LINE_RATE)
        feeder.at(BOX_OPENS_AT)
        x, y, w, h = SAVE_DU
        run.program.click_dialog(x + w / 2, y + h / 2)
        dialog = wait_window(run, SAVE_DIALOG, "the save dialog")
        expect(dialog is not None, "save opens its dialog during the stream")
        if dialog is not None:
            opened = time.monotonic()
            time.sleep(max(0.0, opened + BOX_STANDS - time.monotonic()))
            expect(close_window(run, dialog, SAVE_DIALOG, "Escape"),
                   "Escape closes the save dialog")
        worst = feeder.finish()
        expect(worst <= BOX_MAX_BEHIND,
               "921600 with the save dialog standing %d s: the feeder at most %d bytes behind "
               "(limit %d)" % (BOX_STANDS, worst, BOX_MAX_BEHIND))
        problem = lines_problem(run.logged(len(lines)), lines)
        expect(problem is None, "921600 with the save dialog standing: every line logged "
               "once, in order%s" % (": " + problem if problem else ""))
    finally:
        run.close()


# The log reaches this size about two seconds into the stream; the write
# that crosses it fails, and the failure's box stands.
LOG_SIZE_LIMIT = 240000


def log_size_limited():
    resource.setrlimit(resource.RLIMIT_FSIZE, (LOG_SIZE_LIMIT, LOG_SIZE_LIMIT))
    # A write beyond the limit fails with EFBIG rather than ending the program.
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)


def check_log_failure_box_under_stream(binary, display):
    """921600 8N1 for 8 s with the log's write-failure box standing 4 s:
    the program reads on under it, and the log holds the lines up to its
    failure in order."""
    lines = numbered_lines(BOX_STREAM_SECONDS * LINE_RATE // 80)
    run = Run(binary, display, 921600, b"N", preexec=log_size_limited)
    try:
        feeder = qh.Feeder(run.line, joined(lines), LINE_RATE)
        box = wait_window(run, "^quorvant$", "the write-failure box", timeout=BOX_STREAM_SECONDS)
        expect(box is not None, "a log beyond its size limit shows the write-failure box "
               "during the stream")
        if box is not None:
            shown = time.monotonic() - feeder.started
            time.sleep(BOX_STANDS)
            expect(close_window(run, box, "^quorvant$", "Return"),
                   "Return closes the write-failure box")
        worst = feeder.finish()
        expect(worst <= BOX_MAX_BEHIND,
               "921600 with the write-failure box standing %d s from %.1f s on: the feeder at "
               "most %d bytes behind (limit %d)"
               % (BOX_STANDS, shown if box else 0, worst, BOX_MAX_BEHIND))
        got = log_texts(run.log)[1:]
        expect(0 < len(got) < len(lines) and got == lines[:len(got)],
               "the log holds the first %d lines in order up to its failure" % len(got))
    finally:
        run.close()


FASTEST_BAUD = 4000000
FASTEST_RATE = 400000
FASTEST_SECONDS = 8
FASTEST_MAX_BEHIND = 128 * 1024
KEY_PROBES_AT = (2, 4, 6)


def check_fastest_line(binary, display):
    """4,000,000 baud from the setup file, fed at 400,000 bytes a second:
    every line logged, and keys typed meanwhile go out at once."""
    lines = numbered_lines(FASTEST_SECONDS * FASTEST_RATE // 80)
    run = Run(binary, display, FASTEST_BAUD, b"N")
    try:
        expect(termios.tcgetattr(run.line.master)[5] == termios.B4000000,
               "4000000 from the setup file is the pty's speed")
        feeder = qh.Feeder(run.line, joined(lines), FASTEST_RATE)
        answers = []
        for at in KEY_PROBES_AT:
            feeder.at(at)
            pressed = time.monotonic()
            # The program sends nothing else, and echoes nothing.
            run.program.key("q")
            try:
                run.line.take(1, 2, "the typed key")
                answers.append(time.monotonic() - pressed)
            except qh.Timeout:
                answers.append(float("inf"))
        worst = feeder.finish()
        expect(max(answers) <= KEY_WITHIN + KEY_START,
               "4000000: keys during the stream go out within %.0f ms (%s ms)"
               % (KEY_WITHIN * 1000, ", ".join("%.0f" % (a * 1000) for a in answers)))
        expect(worst <= FASTEST_MAX_BEHIND, "4000000: the feeder at most %d bytes behind "
               "(limit %d)" % (worst, FASTEST_MAX_BEHIND))
        problem = lines_problem(run.logged(len(lines), timeout=20), lines)
        expect(problem is None, "4000000: every line logged once, in order%s"
               % (": " + problem if problem else ""))
    finally:
        run.close()


SENDX_DU = (168, 2, 25, 11)
SLOW_STREAM_SECONDS = 3.2
# 1200 baud with even parity carries 109 bytes a second; a tick is 100 ms.
SLOW_LINE_RATE = 110
KEY_WITHIN = 0.1
# What starting xdotool adds to a key's way.
KEY_START = 0.05


def check_slow_sendx(binary, display):
    line = qh.PtyLine()
    program = qh.LinuxProgram(binary, display, line, setup=setup(1200, b"E"))
    try:
        program.find_window()
        program.focus()
        x, y, w, h = SENDX_DU
        program.click_dialog(x + w / 2, y + h / 2)
        line.wait_received(lambda data: qh.STREAM_HEAD in data, 10, "the first stream line")
        start = time.monotonic()
        line.take()
        time.sleep(SLOW_STREAM_SECONDS / 2)
        pressed = time.monotonic()
        # 'Q' occurs in no stream line.
        program.key("shift+q")
        data = line.wait_received(lambda data: b"Q" in data, 5, "the typed key")
        answered = time.monotonic() - pressed
        time.sleep(max(0.0, start + SLOW_STREAM_SECONDS - time.monotonic()))
        data = line.take()
        rate = (len(data) - 1) / (time.monotonic() - start)
        expect(rate <= SLOW_LINE_RATE,
               "SendX at 1200 baud writes no faster than the line sends (%d bytes a second)"
               % rate)
        # Starting xdotool takes part of the time; the window's own share is less.
        expect(answered <= KEY_WITHIN + KEY_START,
               "a key during SendX at 1200 baud goes out at once (after %.0f ms)"
               % (answered * 1000))
        problem = qh.stream_line_problems(qh.whole_stream_lines(data.replace(b"Q", b"")))
        expect(problem is None, "SendX at 1200 baud sends whole lines in order%s"
               % (": " + problem if problem else ""))
    finally:
        program.close()
        line.close()


def main(binary):
    display = qh.XvfbDisplay()
    try:
        for check in (check_full_speed, check_base_pace, check_special_command_in_backlog,
                      check_save_dialog_under_stream, check_log_failure_box_under_stream,
                      check_fastest_line, check_slow_sendx):
            try:
                check(binary, display)
            except qh.Failure as error:
                expect(False, "%s: %s" % (check.__name__, error))
    finally:
        display.close()
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1])))

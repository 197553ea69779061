#!/usr/bin/env python3
"""A line at full speed, end to end: 921600 8N1 in the setup file, F9, and
numbered 80-byte lines fed into the pty at the rate the line carries
(92,160 bytes a second) for a few seconds. The feeder never falls more than
32 kB behind, and the log holds every line once, in order. At 115200 baud
the program still takes 1200 bytes a tick: once the pty's own buffer is
full, the line drains at no more than 12,000 bytes a second. At 1200 baud
SendX writes no faster than the line sends (a line every eight ticks), and
a key pressed meanwhile goes out at once.

Usage: fast_line_e2e.py PATH_TO_QUORVANT
"""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import quorvant_harness as qh  # noqa: E402

SECONDS = 4
LINE_RATE = 92160
MAX_BEHIND = 32 * 1024
SLOW_BYTES = 60000
# From here on the pty's own buffer is full and the program sets the pace.
SLOW_MARK = 20000
# 1200 bytes a 100 ms tick, with room for what the pty still absorbs while
# the program reads (a few per cent).
SLOW_MAX_RATE = 15000


def setup(baud, parity):
    return (b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=%d\r\nCOMPARI=%s\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"
            % (baud, parity))


def numbered_lines(count):
    """Lines of 78 characters and CR LF: one log row each."""
    return [(b"%06d " % i + b"0123456789abcdef" * 5)[:78] for i in range(count)]


def log_texts(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        rows = f.read().split(b"\n")[:-1]
    return [row.split(b";", 1)[1] if b";" in row else row for row in rows]


class Run:
    def __init__(self, binary, display, baud, parity):
        self.home = tempfile.mkdtemp(prefix="quorvant-home-")
        self.log = os.path.join(self.home, "LogFile.csv")
        self.line = qh.PtyLine()
        saved = display.env.get("HOME")
        display.env["HOME"] = self.home
        try:
            self.program = qh.LinuxProgram(binary, display, self.line, setup=setup(baud, parity))
        finally:
            display.env["HOME"] = saved
        self.program.find_window()
        self.program.focus()
        self.program.key("F9")
        qh.wait_for(lambda: len(log_texts(self.log)) == 1, 10, "the log's first row")

    def close(self):
        self.program.close()
        self.line.close()
        shutil.rmtree(self.home, ignore_errors=True)


def check_full_speed(binary, display):
    lines = numbered_lines(SECONDS * LINE_RATE // 80)
    run = Run(binary, display, 921600, b"N")
    try:
        worst = qh.feed_paced(run.line, b"".join(text + b"\r\n" for text in lines), LINE_RATE)
        qh.check(worst <= MAX_BEHIND, "at 921600 baud the feeder fell %d bytes behind" % worst)
        try:
            qh.wait_for(lambda: len(log_texts(run.log)) > len(lines), 10, "the logged lines")
        except qh.Timeout:
            pass
        got = log_texts(run.log)[1:]
        first_wrong = next((i for i, (a, b) in enumerate(zip(got, lines)) if a != b), None)
        qh.check(got == lines, "the log holds %d of %d lines, first difference at %r"
                 % (len(got), len(lines), first_wrong))
        print("921600: %d lines in the log, in order; the feeder at most %d bytes behind"
              % (len(got), worst))
    finally:
        run.close()


def check_base_pace(binary, display):
    lines = numbered_lines(SLOW_BYTES // 80)
    run = Run(binary, display, 115200, b"E")
    try:
        data = b"".join(text + b"\r\n" for text in lines)
        run.line.write(data[:SLOW_MARK], timeout=30)
        start = time.monotonic()
        run.line.write(data[SLOW_MARK:], timeout=30)
        rate = (len(data) - SLOW_MARK) / (time.monotonic() - start)
        qh.check(rate <= SLOW_MAX_RATE,
                 "at 115200 baud the line drained at %d bytes a second: more than 1200 "
                 "bytes a tick" % rate)
        qh.wait_for(lambda: len(log_texts(run.log)) > len(lines), 10, "the logged lines")
        qh.check(log_texts(run.log)[1:] == lines, "at 115200 baud the log misses lines")
        print("115200: the line drained at %d bytes a second, every line logged" % rate)
    finally:
        run.close()


SENDX_DU = (168, 2, 25, 11)
SLOW_STREAM_SECONDS = 3.2
# 1200 baud with even parity carries 109 bytes a second; a tick is 100 ms.
SLOW_LINE_RATE = 110
KEY_WITHIN = 0.1


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
        qh.check(rate <= SLOW_LINE_RATE,
                 "SendX at 1200 baud wrote %d bytes a second, more than the line sends" % rate)
        # Starting xdotool takes part of the time; the window's own share is less.
        qh.check(answered <= KEY_WITHIN + 0.05,
                 "a key during SendX at 1200 baud took %.0f ms" % (answered * 1000))
        problem = qh.stream_line_problems(qh.whole_stream_lines(data.replace(b"Q", b"")))
        qh.check(problem is None, "SendX at 1200 baud: %s" % problem)
        print("1200: SendX wrote %d bytes a second; a key went out after %.0f ms"
              % (rate, answered * 1000))
    finally:
        program.close()
        line.close()


def main(binary):
    display = qh.XvfbDisplay()
    try:
        check_full_speed(binary, display)
        check_base_pace(binary, display)
        check_slow_sendx(binary, display)
    finally:
        display.close()


if __name__ == "__main__":
    try:
        main(os.path.abspath(sys.argv[1]))
    except qh.Failure as error:
        print("FAIL:", error)
        sys.exit(1)

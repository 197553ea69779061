#!/usr/bin/env python3
"""The serial channel's thread at work beside the window's, end to end: a
stream in at 92,160 bytes a second, keys, F2 and SendX out, a line that
stops taking bytes for longer than a second, and a far end that hangs up,
then Alt+X. Built with ThreadSanitizer (the tsan preset), a data race ends
the program with the sanitizer's report, which this test shows; in the
plain build it checks that all of this ends the program cleanly.

Usage: threads_e2e.py PATH_TO_QUORVANT
"""

import os
import sys
import termios
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import quorvant_harness as qh  # noqa: E402

SETUP = b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=921600\r\nCOMPARI=N\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"
LINE_RATE = 92160
SECONDS = 4
SENDX_DU = (168, 2, 25, 11)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    display = qh.XvfbDisplay()
    line = qh.PtyLine()
    run = None
    problems = []
    try:
        run = qh.LinuxProgram(sys.argv[1], display, line, setup=SETUP)
        run.find_window(timeout=60)
        run.focus()
        stream = b"".join(b"%06d " % i + b"x" * 71 + b"\r\n" for i in range(SECONDS * 1200))
        feeder = threading.Thread(target=qh.feed_paced, args=(line, stream, LINE_RATE))
        feeder.start()
        for key in ["a", "b", "F2", "c"]:
            run.key(key)
            time.sleep(0.2)
        run.click_dialog(SENDX_DU[0] + 5, SENDX_DU[1] + 5)
        time.sleep(0.5)
        # The far end stops taking bytes: the queue fills, stands still for
        # more than a second and is dropped, while SendX and keys go on.
        termios.tcflow(line.slave, termios.TCOOFF)
        for _ in range(10):
            run.key("d")
            time.sleep(0.15)
        termios.tcflow(line.slave, termios.TCOON)
        # The stall stopped SendX; were it still on, Escape stops it (and
        # otherwise sends its byte).
        run.key("Escape")
        feeder.join()
        if not line.take_until_quiet(0.3, 10):
            problems.append("nothing went out on the line")
        # The far end hangs up: the channel's thread sees it, and the port
        # is closed and tried again tick after tick.
        line.close()
        time.sleep(1)
        run.focus()
        run.key("alt+x")
        try:
            code = run.wait_exit(30)
        except qh.Timeout:
            code = None
        if code != 0:
            report = run.process.stderr.read().decode(errors="replace")
            problems.append("the program ended with %r:\n%s" % (code, report[-6000:]))
    except qh.Failure as failure:
        problems.append(str(failure))
    finally:
        if run is not None:
            run.close()
        line.close()
        display.close()
    for problem in problems:
        print("FAIL: " + problem)
    print("%d failed" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""scripts/demo.sh, headless for a few seconds at 115200 baud and for ten
at 921600: the right window, after SyncX, shows the left window's SendX
stream one line per display line, every line whole, numbered in order and
check-summed right; on the demo's 1280-pixel screen the two windows do not
overlap.

Usage: demo_e2e.py PATH_TO_QUORVANT
"""

import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "harness"))
import quorvant_harness as qh  # noqa: E402

# (baud, seconds): at either rate the stream brings more than a screenful
# (about 25 lines) a second.
RUNS = ((115200, 4), (921600, 10))
MIN_LINES = 15


PLACEMENT = re.compile(r"windows (\d+)x(\d+) at (\d+),(\d+) and (\d+),(\d+) "
                       r"on a (\d+)x(\d+) screen")


def check_placement(output):
    match = PLACEMENT.search(output)
    qh.check(match is not None, "the demo did not say where it put its windows: %r" % output)
    width, height, x1, y1, x2, y2, screen_w, screen_h = (int(v) for v in match.groups())
    qh.check(screen_w == 1280, "the headless screen is %d pixels wide" % screen_w)
    apart = x1 + width <= x2 or x2 + width <= x1 or y1 + height <= y2 or y2 + height <= y1
    qh.check(apart, "the windows overlap: %s" % match.group(0))
    qh.check(max(x1, x2) + width <= screen_w and max(y1, y2) + height <= screen_h,
             "a window leaves the screen: %s" % match.group(0))


def demo(binary, baud, seconds):
    with tempfile.TemporaryDirectory(prefix="quorvant-demo-test-") as folder:
        screen = os.path.join(folder, "screen.txt")
        demo = subprocess.run([os.path.join(ROOT, "scripts", "demo.sh"), "--headless",
                               "--baud", str(baud), "--seconds", str(seconds), "--screen",
                               screen, binary],
                              timeout=90, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        qh.check(demo.returncode == 0, "scripts/demo.sh failed (%d): %s"
                 % (demo.returncode, demo.stderr.decode(errors="replace")))
        check_placement(demo.stdout.decode(errors="replace"))
        with open(screen, "rb") as f:
            text = f.read()
    rows = text.split(b"\n")
    # The top and the newest row may be cut by the display's trimming and by
    # the stream still arriving; every row between them is a whole line.
    whole = [row for row in rows if len(row) == qh.STREAM_LINE]
    qh.check(len(whole) >= MIN_LINES,
             "only %d whole lines on the SyncX side: %r" % (len(whole), text[:400]))
    qh.check(all(row.startswith(qh.STREAM_HEAD) for row in rows[1:-1]),
             "the lines are not aligned: %r" % text[:400])
    problem = qh.stream_line_problems(b"".join(whole))
    qh.check(problem is None, "SyncX side at %d baud: %s" % (baud, problem))
    print("demo at %d baud: %d aligned, check-summed lines on the SyncX side"
          % (baud, len(whole)))


def main(binary):
    for baud, seconds in RUNS:
        demo(binary, baud, seconds)


if __name__ == "__main__":
    try:
        main(os.path.abspath(sys.argv[1]))
    except (qh.Failure, subprocess.SubprocessError) as error:
        print("FAIL:", error)
        sys.exit(1)

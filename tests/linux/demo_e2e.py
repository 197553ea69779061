#!/usr/bin/env python3
"""scripts/demo.sh, headless for a few seconds: the right window, after
SyncX, shows the left window's SendX stream one line per display line, every
line whole, numbered in order and check-summed right.

Usage: demo_e2e.py PATH_TO_QUORVANT
"""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "harness"))
import quorvant_harness as qh  # noqa: E402

SECONDS = 4
# At 115200 baud the stream brings 120 lines a second; a screenful is ~25.
MIN_LINES = 15


def main(binary):
    with tempfile.TemporaryDirectory(prefix="quorvant-demo-test-") as folder:
        screen = os.path.join(folder, "screen.txt")
        demo = subprocess.run([os.path.join(ROOT, "scripts", "demo.sh"), "--headless",
                               "--seconds", str(SECONDS), "--screen", screen, binary],
                              timeout=90, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        qh.check(demo.returncode == 0, "scripts/demo.sh failed (%d): %s"
                 % (demo.returncode, demo.stderr.decode(errors="replace")))
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
    qh.check(problem is None, "SyncX side: %s" % problem)
    print("demo: %d aligned, check-summed lines on the SyncX side" % len(whole))


if __name__ == "__main__":
    try:
        main(os.path.abspath(sys.argv[1]))
    except (qh.Failure, subprocess.SubprocessError) as error:
        print("FAIL:", error)
        sys.exit(1)

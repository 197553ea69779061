#!/usr/bin/env python3
"""scripts/try.sh as a user runs it, in a terminal (a pty the test holds) on
a private Xvfb: what is typed in the terminal arrives in the window (read
back through its copy button), what is typed in the window comes out in the
terminal, Ctrl+] ends both, and the scratch folder with the cable is gone.

Usage: try_e2e.py PATH_TO_QUORVANT
"""

import os
import select
import shutil
import subprocess
import sys
import tempfile
import termios

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "harness"))
import quorvant_harness as qh  # noqa: E402

COPY_BUTTON_DU = (211, 246)
QUIT_KEY = b"\x1d"
TIMEOUT = 20


class Terminal:
    """The user's terminal: the script's stdin and stdout on one pty."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        self.seen = b""

    def read_until(self, wanted, what):
        def arrived():
            while select.select([self.master], [], [], 0)[0]:
                try:
                    chunk = os.read(self.master, 4096)
                except OSError:
                    break
                if not chunk:
                    break
                self.seen += chunk
            return wanted in self.seen
        qh.wait_for(arrived, TIMEOUT, what)

    def raw(self):
        """Whether the script put the terminal in raw mode (no echo, no
        line editing, no signal keys)."""
        lflag = termios.tcgetattr(self.slave)[3]
        return not lflag & (termios.ECHO | termios.ICANON | termios.ISIG)

    def close(self):
        os.close(self.master)
        os.close(self.slave)


def window_of(display):
    def search():
        ids = display.run("xdotool", "search", "--onlyvisible", "--name", qh.WINDOW_TITLE_WORD,
                          check=False).stdout.split()
        return ids[0] if ids else None
    return qh.wait_for(search, TIMEOUT, "the program's window")


def window_text(display, window):
    """The display's text, through the copy button and the clipboard."""
    out = display.run("xdotool", "getwindowgeometry", "--shell", window).stdout
    size = dict(line.split("=", 1) for line in out.split() if "=" in line)
    x = COPY_BUTTON_DU[0] * int(size["WIDTH"]) // qh.DIALOG_WIDTH_DU
    y = COPY_BUTTON_DU[1] * int(size["HEIGHT"]) // qh.DIALOG_HEIGHT_DU
    display.run("xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1")
    return display.run("xclip", "-o", "-selection", "clipboard", check=False).stdout


def main(binary):
    scratch = tempfile.mkdtemp(prefix="quorvant-try-test-")
    display = qh.XvfbDisplay()
    terminal = Terminal()
    env = dict(display.env, TMPDIR=scratch, QT_QPA_PLATFORM="xcb")
    script = subprocess.Popen([os.path.join(ROOT, "scripts", "try.sh"), binary], env=env,
                              stdin=terminal.slave, stdout=terminal.slave,
                              stderr=terminal.slave, start_new_session=True)
    try:
        terminal.read_until(b"Ctrl+]", "the script's greeting")
        window = window_of(display)
        qh.check(terminal.raw(), "the terminal is not in raw mode")

        # Far end to window.
        os.write(terminal.master, b"hello from the far end\r")
        qh.wait_for(lambda: "hello from the far end" in window_text(display, window), TIMEOUT,
                    "the typed text in the window")

        # Window to far end.
        display.run("xdotool", "mousemove", "--window", window, "100", "100")
        display.run("xdotool", "windowfocus", "--sync", window)
        display.run("xdotool", "type", "--delay", "30", "back")
        terminal.read_until(b"back", "the window's keys in the terminal")

        os.write(terminal.master, QUIT_KEY)
        status = script.wait(TIMEOUT)
        qh.check(status == 0, "scripts/try.sh ended with %d: %r" % (status, terminal.seen[-400:]))
        qh.check(not terminal.raw(), "the terminal was left in raw mode")
        # (Qt may make its runtime folder there; that is not the script's.)
        left = [name for name in os.listdir(scratch) if name.startswith("quorvant")]
        qh.check(left == [], "left behind: %s" % left)
        qh.check(display.run("xdotool", "search", "--onlyvisible", "--name",
                             qh.WINDOW_TITLE_WORD, check=False).stdout.strip() == "",
                 "the window is still open")
    finally:
        if script.poll() is None:
            os.killpg(script.pid, 15)
            script.wait()
        terminal.close()
        display.close()
        shutil.rmtree(scratch, ignore_errors=True)
    print("try: the bytes crossed the cable both ways and the script cleaned up")


if __name__ == "__main__":
    try:
        main(os.path.abspath(sys.argv[1]))
    except (qh.Failure, subprocess.SubprocessError) as error:
        print("FAIL:", error)
        sys.exit(1)

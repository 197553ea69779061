#!/usr/bin/env python3
"""The far end of a virtual null-modem cable, in this terminal.

Makes a pty pair, links its slave end at LINK (for example ports/com1 beside
a program, which then finds the cable as its COM1) and joins the master end
to this terminal: what is typed here goes down the cable byte for byte, and
what comes up the cable is shown here (a CR as a line end, so that lines sent
with Return stay readable). The terminal is put in raw mode, so Ctrl+C and
the other control keys travel as their bytes too; Ctrl+] ends.

Usage: tools/far_end.py LINK [PROGRAM [ARGUMENT ...]]
With a PROGRAM, that program is started once the cable is in place (so it
finds its port at once), in LINK's folder's parent, and the far end ends
when the program does; Ctrl+] then ends the program too.
"""

import os
import select
import signal
import subprocess
import sys
import termios
import tty

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from null_modem import PtyEnd  # noqa: E402

QUIT_KEY = 0x1D  # Ctrl+]
POLL_SECONDS = 0.2
READ_CHUNK = 4096


END_TIMEOUT = 5


def write_all(fd, data):
    while data:
        try:
            written = os.write(fd, data)
        except BlockingIOError:
            select.select([], [fd], [], POLL_SECONDS)
            continue
        data = data[written:]


def relay(cable, program):
    keyboard = sys.stdin.fileno()
    screen = sys.stdout.fileno()
    keyboard_open = True
    while program is None or program.poll() is None:
        readers = [cable.master] + ([keyboard] if keyboard_open else [])
        try:
            readable, _, _ = select.select(readers, [], [], POLL_SECONDS)
        except InterruptedError:
            continue
        if cable.master in readable:
            try:
                data = os.read(cable.master, READ_CHUNK)
            except (BlockingIOError, OSError):
                data = b""
            if data:
                write_all(screen, data.replace(b"\r\n", b"\r").replace(b"\r", b"\r\n"))
        if keyboard_open and keyboard in readable:
            data = os.read(keyboard, READ_CHUNK)
            if not data:
                keyboard_open = False  # a script's input ran out; the cable stays
                continue
            if QUIT_KEY in data:
                write_all(cable.master, data[:data.index(QUIT_KEY)])
                return
            write_all(cable.master, data)


def end(program):
    if program is None or program.poll() is not None:
        return
    program.terminate()
    try:
        program.wait(END_TIMEOUT)
    except subprocess.TimeoutExpired:
        program.kill()
        program.wait()


def main():
    if len(sys.argv) < 2 or sys.argv[1] in ("-h", "--help"):
        print(__doc__)
        sys.exit(0 if len(sys.argv) >= 2 else 2)
    link, command = sys.argv[1], sys.argv[2:]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    keyboard = sys.stdin.fileno()
    cable = PtyEnd(link)
    program = None
    saved = None
    try:
        if command:
            folder = os.path.dirname(os.path.dirname(os.path.abspath(link)))
            log = open(os.path.join(folder, "program.log"), "wb")
            program = subprocess.Popen(command, cwd=folder, stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=log)
        if os.isatty(keyboard):
            saved = termios.tcgetattr(keyboard)
            tty.setraw(keyboard)
            # Output keeps its line ends: this side is a view.
            mode = termios.tcgetattr(keyboard)
            mode[1] |= termios.OPOST | termios.ONLCR
            termios.tcsetattr(keyboard, termios.TCSANOW, mode)
        relay(cable, program)
    finally:
        if saved is not None:
            termios.tcsetattr(keyboard, termios.TCSADRAIN, saved)
        end(program)
        cable.close()


if __name__ == "__main__":
    main()

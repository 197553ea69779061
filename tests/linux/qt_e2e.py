#!/usr/bin/env python3
"""The Linux program end to end: a private Xvfb, a pty as COM1, xdotool keys
and clicks, and what comes out on the line and on the screen.

Usage: qt_e2e.py PATH_TO_QUORVANT
"""

import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import linux_session as ls  # noqa: E402

STREAM_PREFIX = b"abcdefghijklmnopqrstuvwxyz--LINE="
STREAM_LINE_LENGTH = 80
SPECIAL_COMMAND = b"\x1b" * 255 + b"\x1cT"
# Dialog-unit rectangles of the main window.
DISPLAY_DU = (1, 34, 324, 206)
SENDX_DU = (168, 2, 25, 11)
LAMP_DU = (89, 2, 6, 11)

failures = []


def check(condition, what):
    print(("ok   - " if condition else "FAIL - ") + what, flush=True)
    if not condition:
        failures.append(what)


def stream_line_ok(line):
    """A test stream line: number, marker position, checksum, closing X."""
    if len(line) != STREAM_LINE_LENGTH or not line.startswith(STREAM_PREFIX):
        return False
    number = int(line[33:38])
    marker = 39 + number % 32
    dashes = all(line[i] == (ord("#") if i == marker else ord("-")) for i in range(38, 72))
    checksum = (0xF1C4 + sum(line[:72])) & 0xFFFF
    return dashes and line[72:75] == b"CS=" and line[75:79] == b"%04X" % checksum and line[79:] == b"X"


def check_setup_file(run):
    with open(run.setup_file, "rb") as f:
        data = f.read()
    lines = data.split(b"\r\n")
    check(data.endswith(b"\r\n") and b"\n" not in data.replace(b"\r\n", b""),
          "setup file lines end in CR LF only")
    expected = [b"==[ SETUP FILE FOR QUORVANT ]==", b"", b"[RS232]", b"COMPORT=1",
                b"COMBAUD=115200", b"COMPARI=E", b"COMBITS=8", b"COMSTOP=1", b"", b"[ACCESS]",
                None, None, b"", b"[HELP]", b"LANGUAGE=D", b"", b"[BLUETOOTH]",
                b"SELECTED_MAC=0"] + [b"MAC%d=" % i for i in range(1, 9)] + [b""]
    same = len(lines) == len(expected) and all(
        want is None or got == want for got, want in zip(lines, expected))
    check(same, "setup file has the fixed layout")
    check(len(lines) > 11 and re.fullmatch(rb"LastAccess=\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d", lines[10]),
          "setup file records LastAccess")
    check(len(lines) > 11 and lines[11] == b"LastCommand=" + run.binary.lower().encode(),
          "setup file records LastCommand")


def check_received_bytes_shown(run, line):
    x, y, w, h = run.dialog_rect(*DISPLAY_DU)
    inner = (x + 4, y + 4, w - 24, h - 8)
    empty = run.region_mean(inner)
    line.write((b"M" * 78 + b"\r\n") * 20)
    try:
        darker = ls.wait_for(lambda: run.region_mean(inner) < empty - 0.05, 10,
                             "received text in the display")
    except ls.Timeout:
        darker = False
    check(bool(darker), "bytes written into the pty appear in the display")


def expect_keys(run, line, keys, wanted, what):
    line.drain(quiet=0.2)
    for key in keys:
        run.key(key)
    try:
        got = line.wait_received(lambda data: len(data) >= len(wanted), 10, what)
    except ls.Timeout as error:
        print(error)
        got = bytes(line.received)
    shown = got if len(got) <= 16 else got[:8] + b"..." + got[-4:]
    check(got == wanted, "%s: sent %r (%d bytes)" % (what, shown, len(got)))
    line.take()


def check_stream(run, line):
    line.drain(quiet=0.2)
    x, y, w, h = SENDX_DU
    run.click_dialog(x + w / 2, y + h / 2)
    try:
        data = line.wait_received(lambda d: d.count(STREAM_PREFIX) >= 4, 10, "stream lines")
    except ls.Timeout:
        data = bytes(line.received)
    start = data.find(STREAM_PREFIX)
    lines = [data[i:i + STREAM_LINE_LENGTH]
             for i in range(start, len(data) - STREAM_LINE_LENGTH + 1, STREAM_LINE_LENGTH)]
    numbers = [int(l[33:38]) for l in lines if stream_line_ok(l)]
    check(start >= 0 and len(lines) >= 3 and len(numbers) == len(lines),
          "SendX sends valid stream lines (%d checked)" % len(numbers))
    check(numbers == list(range(numbers[0], numbers[0] + len(numbers))) if numbers else False,
          "stream line numbers run on")
    run.click_dialog(x + w / 2, y + h / 2)
    line.drain(quiet=0.5)
    check(line.pump(0.5) == 0, "a second SendX click stops the stream")


def check_failed_open(binary, display):
    """COM1 that is no serial device: the message box comes before the window."""
    run = ls.ProgramRun(binary, display, None, port_target="/dev/null")
    try:
        def box():
            ids = run.visible_windows("^quorvant$")
            return ids[0] if ids else None
        try:
            box_id = ls.wait_for(box, 20, "the port error box")
        except ls.Timeout:
            box_id = None
        check(box_id is not None and not run.visible_windows(ls.WINDOW_TITLE_WORD),
              "a failed open at start-up shows its box before the main window")
        if box_id is None:
            return
        display.run("xdotool", "windowfocus", "--sync", box_id)
        display.run("xdotool", "key", "Return")
        try:
            run.find_window()
        except ls.Timeout:
            check(False, "the main window opens after the box is confirmed")
            return
        x, y, w, h = run.dialog_rect(*LAMP_DU)
        check(run.region_mean((x + 1, y + 1, w - 2, h - 2)) < 0.05,
              "the main window opens after the box, with a black lamp")
    finally:
        run.close()


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    display = ls.XvfbDisplay()
    line = ls.PtyLine()
    run = None
    try:
        display.set_layout("us")
        run = ls.ProgramRun(sys.argv[1], display, line)
        run.find_window()
        check(run.window_name() == "QUORVANTVIEW   quorvant   V.2.17", "window caption")
        check_setup_file(run)
        check_received_bytes_shown(run, line)

        run.focus()
        expect_keys(run, line, ["a", "shift+a", "Return", "1"], b"aA\r1", "keys on a US layout")
        expect_keys(run, line, ["F2"], SPECIAL_COMMAND, "F2 special command")

        # Switched while the program runs: its keymap must follow.
        display.set_layout("de")
        expect_keys(run, line, ["z", "ssharp", "shift+3", "ISO_Level3_Shift+q", "adiaeresis"],
                    b"z\xdf\xa7@\xe4", "keys on a German layout")

        check_stream(run, line)

        run.key("alt+x")
        try:
            code = run.wait_exit(10)
        except ls.Timeout:
            code = None
        check(code == 0, "Alt+X ends the program (exit code %r)" % code)

        check_failed_open(sys.argv[1], display)
    finally:
        if run is not None:
            run.close()
        line.close()
        display.close()
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

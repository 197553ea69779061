#!/usr/bin/env python3
"""The Linux program end to end: a private Xvfb, a pty as COM1, xdotool keys
and clicks, and what comes out on the line and on the screen.

Usage: qt_e2e.py PATH_TO_QUORVANT
"""

import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import quorvant_harness as qh  # noqa: E402

SPECIAL_COMMAND = b"\x1b" * 255 + b"\x1cT"
# Dialog-unit rectangles of the main window.
DISPLAY_DU = (1, 34, 324, 206)
SENDX_DU = (168, 2, 25, 11)
LAMP_DU = (89, 2, 6, 11)

failures = []


def expect(condition, what):
    """Reports one check and goes on, so that one run shows every failure."""
    print(("ok   - " if condition else "FAIL - ") + what, flush=True)
    if not condition:
        failures.append(what)


def check_setup_file(run):
    with open(run.setup_file, "rb") as f:
        data = f.read()
    last_command = re.escape(run.binary.lower().encode())
    problem = qh.setup_file_problems(data, "quorvant", last_command)
    expect(problem is None, "setup file has the fixed layout%s" % (": " + problem if problem else ""))


def check_received_bytes_shown(run, line):
    x, y, w, h = run.dialog_rect(*DISPLAY_DU)
    inner = (x + 4, y + 4, w - 24, h - 8)
    empty = run.region_mean(inner)
    line.write((b"M" * 78 + b"\r\n") * 20)
    try:
        darker = qh.wait_for(lambda: run.region_mean(inner) < empty - 0.05, 10,
                             "received text in the display")
    except qh.Timeout:
        darker = False
    expect(bool(darker), "bytes written into the pty appear in the display")


def expect_keys(run, line, keys, wanted, what):
    line.drain(quiet=0.2)
    for key in keys:
        run.key(key)
    try:
        line.wait_received(lambda data: len(data) >= len(wanted), 10, what)
    except qh.Timeout as error:
        print(error)
    got = line.take()
    shown = got if len(got) <= 16 else got[:8] + b"..." + got[-4:]
    expect(got == wanted, "%s: sent %r (%d bytes)" % (what, shown, len(got)))


def check_stream(run, line):
    line.drain(quiet=0.2)
    x, y, w, h = SENDX_DU
    run.click_dialog(x + w / 2, y + h / 2)
    try:
        line.wait_received(lambda d: d.count(qh.STREAM_HEAD) >= 4, 10, "stream lines")
    except qh.Timeout:
        pass
    lines = qh.whole_stream_lines(line.take())
    count = len(lines) // qh.STREAM_LINE
    problem = qh.stream_line_problems(lines)
    expect(count >= 3 and problem is None,
           "SendX sends valid, consecutive stream lines (%d checked%s)"
           % (count, ": " + problem if problem else ""))
    run.click_dialog(x + w / 2, y + h / 2)
    line.drain(quiet=0.5)
    expect(line.quiet_for(0.5), "a second SendX click stops the stream")


def check_failed_open(binary, display):
    """COM1 that is no serial device: the message box comes before the window."""
    run = qh.LinuxProgram(binary, display, None, port_target="/dev/null")
    try:
        def box():
            ids = run.visible_windows("^quorvant$")
            return ids[0] if ids else None
        try:
            box_id = qh.wait_for(box, 20, "the port error box")
        except qh.Timeout:
            box_id = None
        expect(box_id is not None and not run.visible_windows(qh.WINDOW_TITLE_WORD),
               "a failed open at start-up shows its box before the main window")
        if box_id is None:
            return
        display.run("xdotool", "windowfocus", "--sync", box_id)
        display.run("xdotool", "key", "Return")
        try:
            run.find_window()
        except qh.Timeout:
            expect(False, "the main window opens after the box is confirmed")
            return
        x, y, w, h = run.dialog_rect(*LAMP_DU)
        expect(run.region_mean((x + 1, y + 1, w - 2, h - 2)) < 0.05,
               "the main window opens after the box, with a black lamp")
    finally:
        run.close()


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    display = qh.XvfbDisplay()
    line = qh.PtyLine()
    run = None
    try:
        run = qh.LinuxProgram(sys.argv[1], display, line)
        run.find_window()
        expect(run.window_name() == "QUORVANTVIEW   quorvant   V.2.17", "window caption")
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
        except qh.Timeout:
            code = None
        expect(code == 0, "Alt+X ends the program (exit code %r)" % code)

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

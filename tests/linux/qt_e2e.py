#!/usr/bin/env python3
"""The Linux program end to end: a private Xvfb, a pty as COM1, xdotool keys
and clicks, and what comes out on the line and on the screen.

Usage: qt_e2e.py PATH_TO_QUORVANT
"""

import ctypes
import os
import re
import resource
import shutil
import signal
import struct
import sys
import tempfile
import termios
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import quorvant_harness as qh  # noqa: E402

SPECIAL_COMMAND = b"\x1b" * 255 + b"\x1cT"
# Dialog-unit rectangles of the main window.
DISPLAY_DU = (1, 34, 332, 206)
SENDX_DU = (168, 2, 25, 11)
LAMP_DU = (89, 2, 6, 11)
COPY_DU = (201, 241, 20, 11)
SAVE_DU = (224, 241, 20, 11)
SAVE_DIALOG = "quorvant  SAVE screenshot file"
SETTINGS_FIELD_DU = (1, 2, 87, 12)
# The port settings dialog in dialog units, with the line under its port list.
PORT_DIALOG = "Serial Port Settings"
PORT_DIALOG_DU = (291, 241)
BAUD_1200_DU = (52, 12, 36, 8)
BAUD_9600_DU = (52, 52, 36, 8)
PARITY_NONE_DU = (147, 52, 34, 8)

# The help window in dialog units.
HELP_DIALOG = "help window"
HELP_DIALOG_DU = (417, 279)
HELP_COPY_DU = (241, 266, 81, 12)
HELP_ENGLISH_DU = (375, 268, 42, 9)
# A point of the help text right of its lines, where the background shows.
HELP_BACKGROUND_DU = (395, 250)
LIGHT_ORANGE = (0xFF, 0xE0, 0x70)
BLUETOOTH_SETUP = (b"[BLUETOOTH]\r\nSELECTED_MAC=2\r\nMAC1=0016A4A0B847\r\n"
                   b"MAC2=0016A4A0B842\r\n")

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


def line_speed(line):
    """The speed the program set on the line, read back through the far end."""
    return termios.tcgetattr(line.master)[5]


def setup_values(run):
    with open(run.setup_file, "rb") as f:
        return dict(l.split(b"=", 1) for l in f.read().split(b"\r\n") if b"=" in l)


def open_port_dialog(run):
    run.focus()
    x, y, w, h = SETTINGS_FIELD_DU
    run.click_dialog(x + w / 2, y + h / 2)
    dialog = qh.wait_for(lambda: run.visible_windows(PORT_DIALOG), 10, "the port dialog")[0]
    run.display.run("xdotool", "windowfocus", "--sync", dialog)
    return dialog


def click_in_port_dialog(run, dialog, rect_du):
    out = run.display.run("xdotool", "getwindowgeometry", "--shell", dialog).stdout
    size = dict(line.split("=", 1) for line in out.split() if "=" in line)
    x_du, y_du, w_du, h_du = rect_du
    x = round((x_du + w_du / 2) * int(size["WIDTH"]) / PORT_DIALOG_DU[0])
    y = round((y_du + h_du / 2) * int(size["HEIGHT"]) / PORT_DIALOG_DU[1])
    run.display.run("xdotool", "mousemove", "--window", dialog, str(x), str(y), "click", "1")


def wait_dialog_closed(run):
    try:
        qh.wait_for(lambda: not run.visible_windows(PORT_DIALOG), 10, "the dialog to close")
        return True
    except qh.Timeout:
        return False


def key_arrives(run, line, key, what):
    line.drain(quiet=0.2)
    run.focus()
    run.key(key)
    try:
        got = line.take(1, 10, what)
    except qh.Timeout:
        got = b""
    expect(got == key.encode(), "%s (%r arrived)" % (what, got))


def check_port_settings(run, first):
    """Through the settings field: 9600 and NONE on COM1, then COM2 on a
    second pty, then ESCAPE, which keeps everything."""
    dialog = open_port_dialog(run)
    click_in_port_dialog(run, dialog, BAUD_9600_DU)
    click_in_port_dialog(run, dialog, PARITY_NONE_DU)
    run.key("Return")
    expect(wait_dialog_closed(run), "Return closes the port settings dialog")
    try:
        qh.wait_for(lambda: line_speed(first) == termios.B9600, 10, "9600 baud on the pty")
    except qh.Timeout:
        pass
    expect(line_speed(first) == termios.B9600, "after 9600 and OK the pty runs at 9600 baud")
    expect((termios.tcgetattr(first.master)[2] & termios.PARENB) == 0,
           "after NONE and OK the pty has no parity")
    saved = setup_values(run)
    expect(saved.get(b"COMBAUD") == b"9600" and saved.get(b"COMPARI") == b"N",
           "the new settings are saved (permanently is ticked at opening)")
    key_arrives(run, first, "b", "keys go on to COM1")

    second = qh.PtyLine()
    try:
        second.link(os.path.join(run.folder, "ports", "com2"))
        open_port_dialog(run)
        run.display.run("xdotool", "type", "2")
        run.key("Return")
        expect(wait_dialog_closed(run), "Return closes the dialog again")
        key_arrives(run, second, "c", "after typing 2 the keys arrive on COM2")
        expect(first.quiet_for(0.3), "COM1 no longer receives keys")
        expect(line_speed(second) == termios.B9600, "COM2 opened at 9600 baud")

        dialog = open_port_dialog(run)
        click_in_port_dialog(run, dialog, BAUD_1200_DU)
        run.key("Escape")
        expect(wait_dialog_closed(run), "Escape closes the dialog")
        expect(line_speed(second) == termios.B9600, "ESCAPE keeps the line speed")
        key_arrives(run, second, "d", "after ESCAPE the keys still arrive on COM2")
    finally:
        second.close()


def window_rect(run, window):
    out = run.display.run("xdotool", "getwindowgeometry", "--shell", window).stdout
    v = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"])


def help_point(rect, x_du, y_du):
    """Screen pixel of a point of the help window given in dialog units."""
    x, y, w, h = rect
    return x + round(x_du * w / HELP_DIALOG_DU[0]), y + round(y_du * h / HELP_DIALOG_DU[1])


def click_in_help(run, rect, control_du):
    x_du, y_du, w_du, h_du = control_du
    x, y = help_point(rect, x_du + w_du / 2, y_du + h_du / 2)
    run.display.run("xdotool", "mousemove", str(x), str(y), "click", "1")


def clipboard_text(run):
    result = run.display.run("xclip", "-o", "-selection", "clipboard", check=False, timeout=20)
    return result.stdout if result.returncode == 0 else ""


def check_help(run):
    """F1 opens the help window; english turns it light orange and copies the
    English text; Escape closes it and the setup file keeps the language."""
    run.focus()
    run.key("F1")
    try:
        dialog = qh.wait_for(lambda: run.visible_windows(HELP_DIALOG), 10, "the help window")[0]
    except qh.Timeout:
        expect(False, "F1 opens the help window")
        return
    expect(True, "F1 opens the help window")
    run.display.run("xdotool", "windowfocus", "--sync", dialog)
    rect = window_rect(run, dialog)
    click_in_help(run, rect, HELP_ENGLISH_DU)

    def orange():
        colour = run.display.pixel(*help_point(rect, *HELP_BACKGROUND_DU))
        return colour is not None and all(abs(a - b) <= 2 for a, b in zip(colour, LIGHT_ORANGE))
    try:
        qh.wait_for(orange, 10, "the light orange background")
        expect(True, "english turns the help text light orange")
    except qh.Timeout:
        expect(False, "english turns the help text light orange")
    if os.environ.get("QUORVANT_SHOTS"):
        run.display.screenshot(os.path.join(os.environ["QUORVANT_SHOTS"], "help-linux.png"),
                               dialog)

    click_in_help(run, rect, HELP_COPY_DU)
    try:
        text = qh.wait_for(lambda: clipboard_text(run) or None, 10, "the clipboard")
    except qh.Timeout:
        text = ""
    lines = text.split("\n")
    expect(text.startswith("COM PORT WINDOW (COMx:115200,E,8,1): click= set COM port")
           and lines[-2].startswith("Info: 'SELECTED_MAC=0' requests") and len(lines) == 31,
           "copy to clipboard puts the whole English help text on the X clipboard")

    run.key("Escape")
    try:
        qh.wait_for(lambda: not run.visible_windows(HELP_DIALOG), 10, "the help window to close")
        closed = True
    except qh.Timeout:
        closed = False
    expect(closed, "Escape closes the help window")
    try:
        qh.wait_for(lambda: setup_values(run).get(b"LANGUAGE") == b"E", 10, "LANGUAGE=E")
    except qh.Timeout:
        pass
    expect(setup_values(run).get(b"LANGUAGE") == b"E", "the setup file holds LANGUAGE=E")


def check_copy(run, line):
    """The main window's copy: the received text, beyond ASCII included, on
    the X clipboard."""
    line.write(b"copy me \xe4\r\n")
    time_limit = 10
    x, y, w, h = COPY_DU
    try:
        def copied():
            run.click_dialog(x + w / 2, y + h / 2)
            text = clipboard_text(run)
            return text if "copy me \u00e4" in text else None
        text = qh.wait_for(copied, time_limit, "the copied display", interval=0.5)
    except qh.Timeout:
        text = clipboard_text(run)
    expect(text.endswith("copy me \u00e4\n"),
           "copy puts the display on the X clipboard (%r)" % text[-20:])


def check_save(run):
    """save, a name typed without extension: a .txt file in the program's
    folder with the display's text."""
    x, y, w, h = SAVE_DU
    run.click_dialog(x + w / 2, y + h / 2)
    try:
        dialog = qh.wait_for(lambda: run.visible_windows(SAVE_DIALOG), 10, "the save dialog")[0]
    except qh.Timeout:
        expect(False, "save opens the save dialog")
        return
    run.display.run("xdotool", "windowfocus", "--sync", dialog)
    if os.environ.get("QUORVANT_SHOTS"):
        run.display.screenshot(os.path.join(os.environ["QUORVANT_SHOTS"], "save-linux.png"),
                               dialog)
    run.key("ctrl+a")
    run.display.run("xdotool", "type", "shot")
    run.key("Return")
    path = os.path.join(run.folder, "shot.txt")
    try:
        qh.wait_for(lambda: os.path.exists(path), 10, "the saved file")
    except qh.Timeout:
        pass
    data = open(path, "rb").read() if os.path.exists(path) else b""
    expect(data.endswith("copy me \u00e4\n".encode()) and b"\r" not in data,
           "save writes the display as UTF-8 with LF into shot.txt (%r)" % data[-16:])


def check_bluetooth(binary, display):
    """F3 with the second address selected: the query, then the set command."""
    line = qh.PtyLine()
    run = qh.LinuxProgram(binary, display, line, setup=BLUETOOTH_SETUP)
    try:
        run.find_window()
        run.focus()
        expect_keys(run, line, ["F3"], b"AT+BTR?\rAT+BTR 0016A4A0B842\r",
                    "F3 with SELECTED_MAC=2")
    finally:
        run.close()
        line.close()


def check_crafted_start(binary, display):
    """A crafted command line and a link planted at quorvant.ini.new, at the
    first start and at the one after it: F3 only asks the adapter, the setup
    file keeps SELECTED_MAC=0 and empty addresses, and the link's target keeps
    its bytes."""
    line = qh.PtyLine()
    victim = {}

    def plant(folder):
        victim["path"] = os.path.join(folder, "victim")
        victim["link"] = os.path.join(folder, "quorvant.ini.new")
        with open(victim["path"], "wb") as f:
            f.write(b"precious\n")
        os.symlink(victim["path"], victim["link"])

    run = qh.LinuxProgram(binary, display, line, prepare=plant,
                          args=lambda path: [qh.crafted_command_argument(path.lower() + " ")])
    stored = qh.stored_command_line(" ".join([run.binary] + run.args))
    try:
        for start in ("first start", "next start"):
            if start == "next start":
                os.symlink(victim["path"], victim["link"])
                run.start()
            run.find_window()
            run.focus()
            expect_keys(run, line, ["F3"], b"AT+BTR?\r", "F3 after a crafted command line, "
                        + start)
            expect(line.quiet_for(0.5), "no set command follows, " + start)
            values = setup_values(run)
            addresses = [values.get(b"MAC%d" % slot) for slot in range(1, 9)]
            expect(values.get(b"LastCommand") == stored,
                   "LastCommand holds the crafted command line on one line, " + start)
            expect(values.get(b"SELECTED_MAC") == b"0" and addresses == [b""] * 8,
                   "the setup file keeps SELECTED_MAC=0 and empty addresses, %s (%r, %r)"
                   % (start, values.get(b"SELECTED_MAC"), addresses))
            with open(victim["path"], "rb") as f:
                kept = f.read()
            expect(kept == b"precious\n" and not os.path.lexists(victim["link"])
                   and os.path.isfile(run.setup_file) and not os.path.islink(run.setup_file),
                   "the link planted at quorvant.ini.new leaves its target as it was, " + start)
            run.key("alt+x")
            try:
                code = run.wait_exit(10)
            except qh.Timeout:
                code = None
            expect(code == 0, "Alt+X ends the program, %s" % start)
    finally:
        run.close()
        line.close()


LOG_ROW = re.compile(rb"\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d\.\d\d\d;(.*)")
LOG_START = "==== LOG START COM1: 115200,E,8,1 ===="


def log_texts(path):
    """The text of each row of the log file (UTF-8, LF), or None for a row
    without its time stamp."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        rows = f.read().split(b"\n")
    texts = []
    for row in rows[:-1]:
        match = LOG_ROW.fullmatch(row)
        texts.append(match.group(1).decode("utf-8", "replace") if match else None)
    return texts


def holds_open(pid, path):
    """True while the process has path open."""
    folder = "/proc/%d/fd" % pid
    for entry in os.listdir(folder):
        try:
            if os.readlink(os.path.join(folder, entry)) == path:
                return True
        except OSError:
            pass
    return False


def start_with_home(binary, display, line, home):
    """The program with HOME at home, where it keeps LogFile.csv."""
    saved = display.env.get("HOME")
    display.env["HOME"] = home
    try:
        return qh.LinuxProgram(binary, display, line)
    finally:
        display.env["HOME"] = saved


def check_log(binary, display):
    """F9, received lines, F9: LogFile.csv in the home folder holds every
    line in order, one quoted row each, after the row that opens the log."""
    home = tempfile.mkdtemp(prefix="quorvant-home-")
    line = qh.PtyLine()
    run = start_with_home(binary, display, line, home)
    path = os.path.join(home, "LogFile.csv")
    sent = ["row %02d \u00e4\u20ac;%s" % (i, "x" * i) for i in range(40)]
    wanted = [LOG_START] + ['"%s"' % text for text in sent]
    try:
        run.find_window()
        run.focus()
        run.key("F9")
        try:
            qh.wait_for(lambda: log_texts(path) == [LOG_START], 10, "the log's first row")
        except qh.Timeout:
            pass
        for text in sent:
            line.write(text.encode("cp1252") + b"\r\n")
        try:
            qh.wait_for(lambda: len(log_texts(path)) >= len(wanted), 10, "the logged lines")
        except qh.Timeout:
            pass
        run.focus()
        run.key("F9")
        try:
            qh.wait_for(lambda: not holds_open(run.process.pid, path), 10, "the log to close")
        except qh.Timeout:
            pass
        line.write(b"after the log\r\n")
        line.drain(quiet=0.5)
        texts = log_texts(path)
        expect(texts == wanted, "F9 twice: LogFile.csv in HOME holds every line in order "
               "(%d of %d rows as sent%s)" % (sum(a == b for a, b in zip(texts, wanted)),
                                              len(wanted), "" if texts == wanted else
                                              ", first rows %r" % texts[:3]))
        if os.environ.get("QUORVANT_SHOTS"):
            shutil.copy(path, os.path.join(os.environ["QUORVANT_SHOTS"], "LogFile-linux.csv"))
    finally:
        run.close()
        line.close()
        shutil.rmtree(home, ignore_errors=True)


def confirm_error_box(run, display, what):
    """Waits for the program's error box, confirms it with Return and waits
    for it to close; False when no box came."""
    try:
        box = qh.wait_for(lambda: run.visible_windows("^quorvant$"), 10, "the error box")[0]
    except qh.Timeout:
        expect(False, what)
        return False
    expect(True, what)
    display.run("xdotool", "windowfocus", "--sync", box)
    display.run("xdotool", "key", "Return")
    try:
        qh.wait_for(lambda: not run.visible_windows("^quorvant$"), 10, "the box to close")
    except qh.Timeout:
        return False
    return True


def check_log_refused(binary, display):
    """What stands at LogFile.csv is not a plain file: a link planted there
    keeps its target untouched, a FIFO does not freeze the window, and the log
    stays off, so that the F9 after the box tries again and makes the log
    once the name is free."""
    home = tempfile.mkdtemp(prefix="quorvant-home-")
    path = os.path.join(home, "LogFile.csv")
    target = os.path.join(home, "precious.txt")
    with open(target, "wb") as f:
        f.write(b"precious")
    os.symlink(target, path)
    line = qh.PtyLine()
    run = start_with_home(binary, display, line, home)
    try:
        run.find_window()
        run.focus()
        run.key("F9")
        if not confirm_error_box(run, display, "F9 with a link at LogFile.csv shows the error box"):
            return
        with open(target, "rb") as f:
            expect(f.read() == b"precious" and os.path.islink(path),
                   "the link's target keeps its bytes")
        if os.environ.get("QUORVANT_SHOTS"):
            display.screenshot(os.path.join(os.environ["QUORVANT_SHOTS"], "log-error-linux.png"))

        os.unlink(path)
        os.mkfifo(path)
        run.focus()
        run.key("F9")
        if not confirm_error_box(run, display,
                                 "F9 after the box tries again; a FIFO gives the box at once"):
            return
        os.unlink(path)
        run.focus()
        run.key("F9")
        try:
            qh.wait_for(lambda: log_texts(path) == [LOG_START], 10, "the log's first row")
        except qh.Timeout:
            pass
        expect(log_texts(path) == [LOG_START] and not run.visible_windows("^quorvant$"),
               "with the name free the next F9 makes the log")
    finally:
        run.close()
        line.close()
        shutil.rmtree(home, ignore_errors=True)


def no_core_file():
    # SIGQUIT's default ends the program with a core dump, which the test
    # has no use for.
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def start_on_held_line(binary, display, line):
    """The program on the line; None when it could not have the port (its
    error box came instead of the window)."""
    run = qh.LinuxProgram(binary, display, line, preexec=no_core_file)

    def shown():
        if run.visible_windows("^quorvant$"):
            return "box"
        return "window" if run.visible_windows(qh.WINDOW_TITLE_WORD) else None
    try:
        if qh.wait_for(shown, 20, "the window or the port error box") == "window":
            run.find_window()
            return run
    except qh.Timeout:
        pass
    run.close()
    return None


# The signals the program ends on as its close box does (exit code 0), and
# those it cannot catch or leaves to their default: the port must be free
# after those too, although no closing step ran.
CLOSING_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)
KILLING_SIGNALS = (signal.SIGKILL, signal.SIGQUIT)


def check_signals(binary, display):
    """SIGTERM, SIGINT and SIGHUP end the program as its close box does;
    SIGKILL and SIGQUIT end it at once. After each, the next start on the
    same pty, whose far end stays held, opens it at once."""
    line = qh.PtyLine()
    try:
        for number in CLOSING_SIGNALS + KILLING_SIGNALS + (None,):
            run = start_on_held_line(binary, display, line)
            name = "the start after %s" % previous if number != signal.SIGTERM else "the first start"
            if run is None:
                expect(False, "%s opens the port" % name)
                return
            try:
                run.focus()
                line.drain(quiet=0.2)
                run.key("a")
                try:
                    got = line.take(1, 10, "a key")
                except qh.Timeout:
                    got = b""
                expect(got == b"a", "%s opens the port (%r arrived)" % (name, got))
                if number is None:
                    return
                previous = signal.Signals(number).name
                run.process.send_signal(number)
                try:
                    code = run.wait_exit(10)
                except qh.Timeout:
                    code = None
                wanted = 0 if number in CLOSING_SIGNALS else -number
                expect(code == wanted, "%s ends the program (exit code %r)" % (previous, code))
            finally:
                run.close()
    finally:
        line.close()


class OpenWatch:
    """Counts the opens of one path (inotify), so that a test sees whether
    the program opened the port again, which leaves no trace on the line."""
    IN_OPEN = 0x20

    def __init__(self, path):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0 or self.libc.inotify_add_watch(self.fd, path.encode(), self.IN_OPEN) < 0:
            raise qh.Failure("inotify cannot watch %s" % path)

    def take(self):
        """The opens since the last take."""
        count = 0
        while True:
            try:
                data = os.read(self.fd, 4096)
            except BlockingIOError:
                return count
            while data:
                size = struct.unpack_from("iIII", data)[3]
                count += 1
                data = data[16 + size:]

    def close(self):
        os.close(self.fd)


def check_signal_in_port_dialog(binary, display):
    """SIGTERM while the port settings dialog stands, with 1200 clicked in
    it and the log on: the program ends with code 0 without opening the port
    again, the setup file keeps its bytes and its time, and the log has no
    row after its first."""
    home = tempfile.mkdtemp(prefix="quorvant-home-")
    line = qh.PtyLine()
    watch = OpenWatch(line.slave_path)
    run = start_with_home(binary, display, line, home)
    path = os.path.join(home, "LogFile.csv")
    try:
        run.find_window()
        run.focus()
        run.key("F9")
        try:
            qh.wait_for(lambda: log_texts(path) == [LOG_START], 10, "the log's first row")
        except qh.Timeout:
            pass
        expect(watch.take() > 0, "the watch of the pty sees the program's open")
        dialog = open_port_dialog(run)
        click_in_port_dialog(run, dialog, BAUD_1200_DU)
        # The ticks open the port again under the dialog with the settings in
        # use; only an open after the signal counts.
        try:
            qh.wait_for(lambda: qh.holds(run.process.pid, line.slave_path), 10,
                        "the port opened under the dialog")
        except qh.Timeout:
            pass
        with open(run.setup_file, "rb") as f:
            setup = f.read()
        written = os.stat(run.setup_file).st_mtime_ns
        # A rewrite a second later changes LastAccess, so the bytes show it.
        time.sleep(max(0.0, written / 1e9 + 1.1 - time.time()))
        line.drain(quiet=0.2)
        watch.take()
        run.process.send_signal(signal.SIGTERM)
        try:
            code = run.wait_exit(10)
        except qh.Timeout:
            code = None
        expect(code == 0, "SIGTERM under the port dialog ends the program (exit code %r)" % code)
        opens = watch.take()
        got = line.take()
        expect(opens == 0 and got == b"",
               "after SIGTERM under the port dialog the port is not opened again "
               "(%d opens, %r on the line)" % (opens, got[:20]))
        with open(run.setup_file, "rb") as f:
            kept = f.read() == setup and os.stat(run.setup_file).st_mtime_ns == written
        expect(kept, "SIGTERM under the port dialog leaves the setup file as it was")
        texts = log_texts(path)
        expect(texts == [LOG_START],
               "SIGTERM under the port dialog adds no log row (%r)" % texts[1:3])
    finally:
        run.close()
        watch.close()
        line.close()
        shutil.rmtree(home, ignore_errors=True)


STALL_SETUP = b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=300\r\nCOMPARI=E\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"
STALL_KEYS = 30
STALL_KEY_SPACING_MS = 30
HELP_WITHIN = 1.0
# The channel drops output that has not moved for a second.
STALL_DROP_WAIT = 2.5


def check_stalled_line(binary, display):
    """A peer that stops taking bytes at 300 baud 8E1: 30 keys at
    autorepeat pace and then F1 bring the help window up at once; F2 on the
    stalled line is dropped, so that its closing FS 'T' never reaches the
    peer once it takes bytes again, and keys go out after that."""
    line = qh.PtyLine()
    run = qh.LinuxProgram(binary, display, line, setup=STALL_SETUP)
    try:
        run.find_window()
        key_arrives(run, line, "a", "at 300 baud 8E1 a key arrives before the line stalls")
        line.stop_output()
        run.display.run("xdotool", "key", "--delay", str(STALL_KEY_SPACING_MS),
                        *["b"] * STALL_KEYS)
        pressed = time.monotonic()
        run.key("F1")
        try:
            help_window = qh.wait_for(lambda: run.visible_windows(HELP_DIALOG), 10,
                                      "the help window")[0]
            took = time.monotonic() - pressed
        except qh.Timeout:
            help_window, took = None, None
        expect(took is not None and took <= HELP_WITHIN,
               "%d keys on a stalled line, then F1: the help window is up within %.0f s (%s)"
               % (STALL_KEYS, HELP_WITHIN, "%.0f ms" % (took * 1000) if took else "never"))
        if help_window is None:
            return
        run.display.run("xdotool", "windowfocus", "--sync", help_window)
        run.key("Escape")
        try:
            qh.wait_for(lambda: not run.visible_windows(HELP_DIALOG), 10, "the help window to close")
        except qh.Timeout:
            expect(False, "Escape closes the help window on a stalled line")
            return
        run.focus()
        run.key("F2")
        time.sleep(STALL_DROP_WAIT)
        line.resume_output()
        got = line.take_until_quiet(2.0, 10)
        expect(b"\x1cT" not in got,
               "F2 on a stalled line is dropped: its FS 'T' never arrives once the line "
               "resumes (%d bytes arrived: %r)" % (len(got), got[:16]))
        key_arrives(run, line, "c", "after the stall a key arrives")
    finally:
        line.resume_output()
        run.close()
        line.close()


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
        check_copy(run, line)
        check_save(run)

        run.focus()
        expect_keys(run, line, ["a", "shift+a", "Return", "1"], b"aA\r1", "keys on a US layout")
        expect_keys(run, line, ["F2"], SPECIAL_COMMAND, "F2 special command")

        # Switched while the program runs: its keymap must follow.
        display.set_layout("de")
        expect_keys(run, line, ["z", "ssharp", "shift+3", "ISO_Level3_Shift+q", "adiaeresis"],
                    b"z\xdf\xa7@\xe4", "keys on a German layout")
        # A dead key is a key press like any other: its own byte, and the
        # key after it too, not one composed character.
        expect_keys(run, line, ["dead_acute", "e", "dead_acute", "a"], b"\xb4e\xb4a",
                    "dead keys on a German layout")

        # F11, F12, Pause, Scroll Lock and Caps Lock have no character.
        expect_keys(run, line, ["F11", "F12", "Pause", "Scroll_Lock", "Caps_Lock", "Caps_Lock",
                                "b"], b"b", "keys without a character send nothing")

        check_stream(run, line)
        check_help(run)
        check_port_settings(run, line)

        run.key("alt+x")
        try:
            code = run.wait_exit(10)
        except qh.Timeout:
            code = None
        expect(code == 0, "Alt+X ends the program (exit code %r)" % code)

        check_bluetooth(sys.argv[1], display)
        check_crafted_start(sys.argv[1], display)
        check_log(sys.argv[1], display)
        check_log_refused(sys.argv[1], display)
        check_signals(sys.argv[1], display)
        check_signal_in_port_dialog(sys.argv[1], display)
        check_stalled_line(sys.argv[1], display)
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

#!/usr/bin/env python3
"""The Windows program end to end, under Wine on a virtual X display.

  gui_test.py windows PROBE_EXE TEST_EXE    run a Windows test program that
                                            needs real windows
  gui_test.py resolutions PROBE_EXE TEST_EXE
                                            the same at 96, 144 and 192 DPI, in
                                            a Wine prefix of its own
  gui_test.py end-to-end EXE PROBE_EXE      the .exe against a pty on COM1,
                                            and one on COM2 once it changes port;
                                            its log file is C:\\LogFile.csv of
                                            the prefix
  gui_test.py fast-line EXE PROBE_EXE       COM1 at 921600 baud fed at the rate
                                            the line carries: every line logged,
                                            also with the save dialog or the
                                            log's write-failure box standing;
                                            F2 during a backlog at 230400 baud
                                            loses no logged line; SendX at 1200
                                            baud, paced to the line, with a key
                                            typed meanwhile; at 300 baud a peer
                                            that stops taking bytes holds neither
                                            keys nor F1, and F2 says it did not
                                            go out
  gui_test.py link-demo EXE PROBE_EXE       scripts/demo.sh's link test with two
                                            .exe on COM21 and COM22 joined by
                                            tools/null_modem.py, at 921600 baud

Both run their program on a fresh Xvfb, and under Wine on a desktop of its
own: Wine's default desktop takes its display from whichever program started
it first, possibly a test without any display.

The Wine prefix is the one in WINEPREFIX; COM1 and COM2 must be registered
there to link paths (scripts/wine-prefix.sh PREFIX 1=LINKPATH 2=LINKPATH).
The test points those links at fresh ptys, starts a copy of the .exe in a
temporary folder and drives it with xdotool. It waits for events and never sleeps blindly: every wait ends
as soon as its condition holds, or fails after a generous time limit.
"""
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")
sys.path.insert(0, os.path.join(ROOT, "tests", "harness"))
import quorvant_harness as qh  # noqa: E402
from quorvant_harness import Failure, check, wait_for, windows_path  # noqa: E402

CAPTION = "QUORVANTVIEW   quorvant   V.2.17"
SETTINGS_FIELD, LAMP, SEND_X, DISPLAY, COPY = 1126, 1011, 1008, 1067, 1015
STATUS_LINE, SAVE = 1007, 1016
SAVE_DIALOG = "quorvant.exe  SAVE screenshot file"
LOG_START = b"==== LOG START COM1: 115200,E,8,1 ===="
LOG_ROW = re.compile(rb"\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d\.\d\d\d;(.*)")
# The port settings dialog; the probe names its controls "port:ID".
PORT_DIALOG = "Serial Port Settings"
BAUD_1200, BAUD_9600, PARITY_NONE = 1021, 1025, 1061
# The help window; the probe names its controls "help:ID".
HELP_WINDOW = "help window"
HELP_TEXT, HELP_COPY, HELP_ENGLISH = "help:1069", "help:1006", "help:1009"
LIGHT_ORANGE = (0xFF, 0xE0, 0x70)
BLUETOOTH_SETUP = b"[BLUETOOTH]\r\nSELECTED_MAC=2\r\nMAC1=0016A4A0B847\r\nMAC2=0016A4A0B842\r\n"
GREEN, MAGENTA, BLACK = (0, 255, 0), (255, 0, 255), (0, 0, 0)
SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768

WINDOW_TIMEOUT = 60.0
EVENT_TIMEOUT = 20.0


def end_processes_in(folder):
    """Ends what is left of the Wine processes of one run, found by the
    folder's unique name in their command lines (the desktop's name, or the
    Windows path of a program in it)."""
    marker = os.path.basename(folder).lower().encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                command = f.read().replace(b"\0", b" ").lower()
        except OSError:
            continue
        if marker in command:
            try:
                os.kill(int(entry), signal.SIGKILL)
            except OSError:
                pass


class Program:
    """The .exe under Wine on a desktop of its own, with a probe that reads
    its controls."""

    def __init__(self, folder, exe, probe, display):
        self.folder = folder
        self.exe = os.path.join(folder, "quorvant.exe")
        self.probe_exe = os.path.join(folder, "window_probe.exe")
        shutil.copy(exe, self.exe)
        shutil.copy(probe, self.probe_exe)
        self.desktop = os.path.basename(folder)
        self.env = dict(display.env, QUORVANT_WINE_LOG=os.path.join(folder, "wine.stderr.log"))
        self.display = display
        self.process = None

    def start(self, arguments="", preexec=None):
        """Starts the .exe; arguments is the rest of its command line,
        preexec runs in the launcher's process before it starts Wine."""
        command_line = windows_path(self.exe) + (" " + arguments if arguments else "")
        self.process = subprocess.Popen(
            [WINE_RUN, self.probe_exe, self.desktop, "run", command_line],
            cwd=self.folder, env=self.env, stdout=subprocess.DEVNULL, preexec_fn=preexec)

    def pid(self):
        """The Unix process of the running .exe (not of its launcher)."""
        marker = os.path.basename(self.folder).lower().encode()
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    command = f.read().lower()
            except OSError:
                continue
            if marker in command and b"quorvant.exe" in command and b"window_probe" not in command:
                return int(entry)
        return None

    def probe(self, *args):
        result = subprocess.run(
            [WINE_RUN, self.probe_exe, self.desktop] + [str(a) for a in args], cwd=self.folder,
            env=self.env, stdout=subprocess.PIPE, timeout=EVENT_TIMEOUT + 30)
        return result.returncode, result.stdout

    def wait_text(self, control, needle, what):
        code, text = self.probe("text", control, int(EVENT_TIMEOUT * 1000), needle.hex())
        check(code == 0, "%s: control %s shows %r" % (what, control, text))
        return text

    def wait_check(self, control, state, what):
        code, _ = self.probe("check", control, int(EVENT_TIMEOUT * 1000), 1 if state else 0)
        check(code == 0, what)

    def rect(self, control):
        code, out = self.probe("rect", control, int(EVENT_TIMEOUT * 1000))
        check(code == 0, "no rectangle for control %s" % control)
        return [int(v) for v in out.split()]

    def click(self, control):
        left, top, right, bottom = self.rect(control)
        self.xdotool("mousemove", "--sync", str((left + right) // 2), str((top + bottom) // 2),
                     "click", "1")

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, stdout=subprocess.PIPE,
                              check=True, timeout=EVENT_TIMEOUT + 30).stdout.decode().strip()

    def pixel(self, x, y):
        return self.display.pixel(x, y)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        end_processes_in(self.folder)


def visible_windows(program, caption):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                           "^%s$" % re.escape(caption)],
                          env=program.env, stdout=subprocess.PIPE).stdout.split()


def wait_for_window(program, caption):
    return wait_for(lambda: visible_windows(program, caption), WINDOW_TIMEOUT,
                    "the window %r" % caption, interval=0.1)[0].decode()


def end_program_with_alt_x(program, window):
    program.xdotool("windowfocus", "--sync", window)
    program.xdotool("key", "alt+x")
    try:
        code = program.process.wait(EVENT_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise Failure("Alt+X did not end the program")
    check(code == 0, "the program ended with %d" % code)


def lamp_point(program):
    left, top, right, bottom = program.rect(LAMP)
    return (left + 1, top + 1)  # off the image's centre: the whole lamp is lit


def start_with_port_missing(program, link):
    """COM1 leads nowhere at start: the error box comes before the window,
    the window then shows the error with a black lamp, and the poll cycle
    opens the port once it is there."""
    if os.path.lexists(link):
        os.unlink(link)
    program.start()
    box = wait_for_window(program, "quorvant")
    check(not visible_windows(program, CAPTION), "the window showed before the port error box")
    program.xdotool("windowfocus", "--sync", box)
    program.xdotool("key", "Return")
    window = wait_for_window(program, CAPTION)
    program.wait_text(SETTINGS_FIELD, b" COM1 port error", "the port error")
    lamp = lamp_point(program)
    wait_for(lambda: program.pixel(*lamp) == BLACK, EVENT_TIMEOUT, "the black lamp")

    port = qh.PtyLine()
    port.link(link)
    program.wait_text(SETTINGS_FIELD, b" COM1: 115200,E,8,1", "the port opened by the poll")
    wait_for(lambda: program.pixel(*lamp) == GREEN, EVENT_TIMEOUT, "the green lamp")
    end_program_with_alt_x(program, window)
    return port


def shot(program, name, window):
    if os.environ.get("QUORVANT_SHOTS"):
        program.display.screenshot(os.path.join(os.environ["QUORVANT_SHOTS"], name), window)


def save_screenshot(program, window):
    """save, a name typed without extension: shot.txt beside the program
    with the display as Windows-1252 and CR LF."""
    program.click(SAVE)
    dialog = wait_for_window(program, SAVE_DIALOG)
    shot(program, "save-windows.png", dialog)
    program.xdotool("windowfocus", "--sync", dialog)
    # The proposed name is selected: typing replaces it.
    program.xdotool("type", "shot")
    program.xdotool("key", "Return")
    path = os.path.join(program.folder, "shot.txt")
    wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, EVENT_TIMEOUT,
             "shot.txt")
    with open(path, "rb") as f:
        data = f.read()
    check(data.endswith(b"hello from the pty \xe4\r\n"), "shot.txt holds %r" % data[-40:])
    program.wait_text(STATUS_LINE, b"==== SAVE SCREEN TO FILE ====", "the saved message")


def press_in(program, window, key):
    program.xdotool("windowfocus", "--sync", window)
    program.xdotool("key", key)


def remove_log(log_path):
    """No log file, nor the folder a broken run may have left in its place."""
    if os.path.isdir(log_path):
        os.rmdir(log_path)
    elif os.path.exists(log_path):
        os.unlink(log_path)


def log_lines(program, window, port, log_path):
    """F9, received lines, F9: C:\\LogFile.csv holds the start row and every
    line in order, one quoted Windows-1252 row each, ended by CR LF."""
    remove_log(log_path)
    press_in(program, window, "F9")
    program.wait_text(STATUS_LINE, b"==== LOG -ON- ====", "the first F9")
    sent = [b"row %02d \xe4\x80;%s" % (i, b"x" * i) for i in range(40)]
    port.write(b"".join(text + b"\r\n" for text in sent))
    program.wait_text(DISPLAY, sent[-1], "the last line on the display")
    press_in(program, window, "F9")
    program.wait_text(STATUS_LINE, b"==== LOG -OFF- ====", "the second F9")
    with open(log_path, "rb") as f:
        data = f.read()
    rows = data.split(b"\r\n")
    matches = [LOG_ROW.fullmatch(row) for row in rows[:-1]]
    texts = [m.group(1) if m else None for m in matches]
    wanted = [LOG_START] + [b'"%s"' % text for text in sent]
    check(rows[-1] == b"" and texts == wanted,
          "the log holds %d rows, %d as sent; it begins %r"
          % (len(texts), sum(a == b for a, b in zip(texts, wanted)), data[:120]))
    if os.environ.get("QUORVANT_SHOTS"):
        shutil.copy(log_path, os.path.join(os.environ["QUORVANT_SHOTS"], "LogFile-windows.csv"))


def documents_folder(prefix):
    """The Wine user's Documents folder in the prefix."""
    users = os.path.join(prefix, "drive_c", "users")
    for user in sorted(os.listdir(users)):
        folder = os.path.join(users, user, "Documents")
        if user != "Public" and os.path.isdir(folder):
            return folder
    raise Failure("no Documents folder in %s" % users)


def log_failure(program, window, log_path):
    """A folder where C:\\LogFile.csv should be, as a standard user meets the
    root of C: no file there: F9 writes the log in the Documents folder and
    the status line names it. With that refused too, the box comes, the log
    stays off and the next F9 tries again."""
    spare = os.path.join(documents_folder(os.environ["WINEPREFIX"]), "LogFile.csv")
    remove_log(log_path)
    remove_log(spare)
    os.mkdir(log_path)
    try:
        press_in(program, window, "F9")
        program.wait_text(STATUS_LINE, b"\\Documents\\LogFile.csv ====",
                          "the log in the Documents folder")
        press_in(program, window, "F9")
        program.wait_text(STATUS_LINE, b"==== LOG -OFF- ====", "F9 ends the log")
        with open(spare, "rb") as f:
            data = f.read()
        first = LOG_ROW.fullmatch(data.split(b"\r\n")[0])
        check(first is not None and first.group(1) == LOG_START,
              "the log in Documents begins %r" % data[:80])
        os.unlink(spare)
        os.mkdir(spare)
        for attempt in ("F9", "the next F9"):
            press_in(program, window, "F9")
            box = wait_for_window(program, "quorvant")
            shot(program, "log-error-windows.png", box)
            program.xdotool("windowfocus", "--sync", box)
            program.xdotool("key", "Return")
            wait_for(lambda: not visible_windows(program, "quorvant"), EVENT_TIMEOUT,
                     "the error box to close")
            program.wait_text(STATUS_LINE, b"==== LOG -FAILED- ====",
                              "%s without any place for the log" % attempt)
    finally:
        remove_log(log_path)
        remove_log(spare)


def run_terminal(program, port, second_link):
    started = time.monotonic()
    program.start()
    window = wait_for_window(program, CAPTION)
    print("window visible after %.2f s" % (time.monotonic() - started))

    # The port is open before anything is sent: opening discards waiting input.
    program.wait_text(SETTINGS_FIELD, b" COM1: 115200,E,8,1", "port open")
    lamp = lamp_point(program)
    wait_for(lambda: program.pixel(*lamp) == GREEN, EVENT_TIMEOUT, "the green lamp")

    # Received bytes reach the display, Windows-1252 included.
    port.write(b"hello from the pty \xe4\r\n")
    program.wait_text(DISPLAY, b"hello from the pty \xe4", "received text")

    # copy: the display, beyond ASCII included, reaches the X clipboard.
    program.click(COPY)
    copied = wait_for(lambda: "hello from the pty \u00e4" in clipboard_text(program),
                      EVENT_TIMEOUT, "the copied display")
    check(copied, "copy put nothing on the clipboard")

    save_screenshot(program, window)
    log_path = os.path.join(os.environ["WINEPREFIX"], "drive_c", "LogFile.csv")
    log_lines(program, window, port, log_path)
    log_failure(program, window, log_path)

    # Keys typed on the (US) keyboard go out translated, one byte each.
    program.xdotool("windowfocus", "--sync", window)
    # F11, F12, Pause, Scroll Lock and Caps Lock have no character: nothing
    # of them may come before the typed keys.
    program.xdotool("key", "--delay", "60", "F11", "F12", "Pause", "Scroll_Lock", "Caps_Lock",
                    "Caps_Lock", "a", "shift+a", "shift+3", "Return")
    typed = port.take(4, EVENT_TIMEOUT, "typed keys")
    check(typed == b"aA\xa7\r", "typed keys arrived as %r" % typed)

    program.xdotool("key", "F2")
    special = port.take(257, EVENT_TIMEOUT, "the special test command")
    check(special == b"\x1b" * 255 + b"\x1cT", "F2 sent %r" % special)

    # SendX: whole, numbered, check-summed lines, and a magenta lamp.
    left, top, right, bottom = program.rect(SEND_X)
    program.xdotool("mousemove", "--sync", str((left + right) // 2), str((top + bottom) // 2),
                    "click", "1")
    program.wait_check(SEND_X, True, "SendX did not latch")
    stream = port.take(qh.STREAM_LINE * 36, EVENT_TIMEOUT, "three bursts of the test stream")
    problem = qh.stream_line_problems(stream)
    check(problem is None, "test stream: %s" % problem)
    wait_for(lambda: program.pixel(*lamp) == MAGENTA, EVENT_TIMEOUT, "the magenta lamp")

    # Return while the stream runs only stops it: nothing else goes out.
    program.xdotool("key", "Return")
    program.wait_check(SEND_X, False, "Return did not release SendX")
    rest = stream[len(stream) - qh.STREAM_LINE:] + port.take_until_quiet(0.5, EVENT_TIMEOUT)
    problem = qh.stream_line_problems(rest)
    check(problem is None, "after the stream stopped: %s" % problem)
    wait_for(lambda: program.pixel(*lamp) == GREEN, EVENT_TIMEOUT, "the lamp back green")

    with open(os.path.join(program.folder, "quorvant.ini"), "rb") as f:
        problem = qh.setup_file_problems(f.read(), "quorvant.exe", rb"[^A-Z]*quorvant\.exe.*")
    check(problem is None, "setup file: %s" % problem)

    check_help(program, window)
    second = change_port_settings(program, window, port, second_link)
    try:
        end_program_with_alt_x(program, window)
    finally:
        second.close()


def clipboard_text(program):
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=program.env,
                            stdout=subprocess.PIPE, timeout=EVENT_TIMEOUT + 30)
    if result.returncode != 0:
        return ""
    # Windows clipboard text ends at its NUL; Wine's export to X at times
    # hands over the bytes of the memory block after it as well.
    return result.stdout.split(b"\0", 1)[0].decode("utf-8", "replace")


def check_help(program, window):
    """F1 opens the help window; english turns it light orange and copies the
    English text to the X clipboard; Escape closes it and the setup file keeps
    the language."""
    program.xdotool("windowfocus", "--sync", window)
    program.xdotool("key", "F1")
    dialog = wait_for_window(program, HELP_WINDOW)
    program.xdotool("windowfocus", "--sync", dialog)
    program.click(HELP_ENGLISH)
    program.wait_check(HELP_ENGLISH, True, "english is marked after its click")
    left, top, right, bottom = program.rect(HELP_TEXT)
    # Right of the lines, above the bottom: only the background shows there.
    point = (right - 30, bottom - 12)
    wait_for(lambda: program.pixel(*point) == LIGHT_ORANGE, EVENT_TIMEOUT,
             "the light orange help text")
    if os.environ.get("QUORVANT_SHOTS"):
        program.display.screenshot(os.path.join(os.environ["QUORVANT_SHOTS"], "help-windows.png"),
                                   dialog)

    program.click(HELP_COPY)
    text = wait_for(lambda: clipboard_text(program) or None, EVENT_TIMEOUT, "the clipboard")
    lines = text.replace("\r\n", "\n").replace("\r", "\n").rstrip("\n").split("\n")
    check(lines[0].startswith("COM PORT WINDOW (COMx:115200,E,8,1)") and len(lines) == 30
          and lines[-1].startswith("Info: 'SELECTED_MAC=0' requests"),
          "the clipboard holds %d lines starting %r" % (len(lines), lines[0]))

    program.xdotool("key", "Escape")
    wait_for(lambda: not visible_windows(program, HELP_WINDOW), EVENT_TIMEOUT,
             "the help window to close")
    setup = os.path.join(program.folder, "quorvant.ini")
    wait_for(lambda: b"LANGUAGE=E\r\n" in open(setup, "rb").read(), EVENT_TIMEOUT,
             "LANGUAGE=E in the setup file")


def send_bluetooth_command(program, port):
    """F3 with the second address selected: the query, then the set command."""
    with open(os.path.join(program.folder, "quorvant.ini"), "wb") as f:
        f.write(BLUETOOTH_SETUP)
    program.start()
    window = wait_for_window(program, CAPTION)
    program.wait_text(SETTINGS_FIELD, b" COM1: 115200,E,8,1", "port open")
    port.drain(quiet=0.3)
    program.xdotool("windowfocus", "--sync", window)
    program.xdotool("key", "F3")
    wanted = b"AT+BTR?\rAT+BTR 0016A4A0B842\r"
    sent = port.take(len(wanted), EVENT_TIMEOUT, "the Bluetooth commands")
    check(sent == wanted, "F3 sent %r" % sent)
    end_with_the_session(program)


def end_with_the_session(program):
    """A logout ends the process right after the window has heard of it: the
    close box's steps run then, and the program ends by itself."""
    code, _ = program.probe("endsession", 0, int(EVENT_TIMEOUT * 1000))
    check(code == 0, "the window did not take the end of the session (%d)" % code)
    try:
        code = program.process.wait(EVENT_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise Failure("the end of the session did not end the program")
    check(code == 0, "the program ended with %d at the end of the session" % code)


def crafted_start(program, port):
    """A crafted command line, at the first start (no setup file yet) and at
    the one after it: F3 only asks the adapter, and the setup file keeps
    SELECTED_MAC=0 and empty addresses."""
    setup = os.path.join(program.folder, "quorvant.ini")
    os.remove(setup)
    argument = qh.crafted_command_argument((windows_path(program.exe) + " ").lower())
    for start in ("first start", "next start"):
        program.start(argument)
        window = wait_for_window(program, CAPTION)
        program.wait_text(SETTINGS_FIELD, b" COM1: 115200,E,8,1", "port open, " + start)
        port.drain(quiet=0.3)
        program.xdotool("windowfocus", "--sync", window)
        program.xdotool("key", "F3")
        sent = port.take(8, EVENT_TIMEOUT, "the Bluetooth query") + port.take_until_quiet(
            0.5, EVENT_TIMEOUT)
        check(sent == b"AT+BTR?\r", "F3 after a crafted command line, %s, sent %r" % (start, sent))
        with open(setup, "rb") as f:
            values = dict(l.split(b"=", 1) for l in f.read().split(b"\r\n") if b"=" in l)
        addresses = [values.get(b"MAC%d" % slot) for slot in range(1, 9)]
        stored = qh.stored_command_line(windows_path(program.exe) + " " + argument)
        check(values.get(b"LastCommand") == stored,
              "LastCommand holds %r" % values.get(b"LastCommand"))
        check(values.get(b"SELECTED_MAC") == b"0" and addresses == [b""] * 8,
              "after a crafted command line, %s, the setup file holds SELECTED_MAC=%r and %r"
              % (start, values.get(b"SELECTED_MAC"), addresses))
        end_program_with_alt_x(program, window)


def line_speed(line):
    """The speed the program set on the line, read back through the far end."""
    return termios.tcgetattr(line.master)[5]


def open_port_dialog(program):
    program.click(SETTINGS_FIELD)
    dialog = wait_for_window(program, PORT_DIALOG)
    program.xdotool("windowfocus", "--sync", dialog)
    return dialog


def typed_key_arrives(program, window, line, key, what):
    program.xdotool("windowfocus", "--sync", window)
    program.xdotool("key", key)
    got = line.take(1, EVENT_TIMEOUT, what)
    check(got == key.encode(), "%s: %r arrived" % (what, got))


def change_port_settings(program, window, first, second_link):
    """Through the settings field: 9600 and NONE on COM1, then COM2 on a
    second pty, then ESCAPE, which keeps everything. Returns COM2's line."""
    open_port_dialog(program)
    program.click("port:%d" % BAUD_9600)
    program.wait_check("port:%d" % BAUD_9600, True, "9600 is marked after its click")
    program.click("port:%d" % PARITY_NONE)
    program.wait_check("port:%d" % PARITY_NONE, True, "NONE is marked after its click")
    program.xdotool("key", "Return")
    program.wait_text(SETTINGS_FIELD, b" COM1: 9600,N,8,1", "the settings chosen")
    wait_for(lambda: line_speed(first) == termios.B9600, EVENT_TIMEOUT, "COM1 at 9600 baud")
    check((termios.tcgetattr(first.master)[2] & termios.PARENB) == 0, "COM1 still has parity")
    typed_key_arrives(program, window, first, "b", "a key after the change")

    second = qh.PtyLine()
    second.link(second_link)
    open_port_dialog(program)
    program.xdotool("type", "2")
    program.xdotool("key", "Return")
    program.wait_text(SETTINGS_FIELD, b" COM2: 9600,N,8,1", "the port number typed")
    check(line_speed(second) == termios.B9600, "COM2 did not open at 9600 baud")
    typed_key_arrives(program, window, second, "c", "a key on COM2")
    check(first.quiet_for(0.3), "COM1 still receives keys")

    open_port_dialog(program)
    program.click("port:%d" % BAUD_1200)
    program.xdotool("key", "Escape")
    wait_for(lambda: not visible_windows(program, PORT_DIALOG), EVENT_TIMEOUT,
             "the dialog to close")
    program.wait_text(SETTINGS_FIELD, b" COM2: 9600,N,8,1", "the settings after ESCAPE")
    check(line_speed(second) == termios.B9600, "ESCAPE changed the line speed")
    typed_key_arrives(program, window, second, "d", "a key after ESCAPE")
    return second


def end_to_end(exe, probe_exe):
    prefix = os.environ.get("WINEPREFIX")
    check(prefix and os.path.isdir(prefix), "WINEPREFIX names no Wine prefix")
    link = qh.registered_com_link(prefix, 1)
    second_link = qh.registered_com_link(prefix, 2)
    check(link and second_link, "COM1 and COM2 are not registered in %s; make the prefix with "
                                "scripts/wine-prefix.sh PREFIX 1=LINKPATH 2=LINKPATH" % prefix)

    folder = tempfile.mkdtemp(prefix="quorvant-gui-")
    display = port = program = None
    passed = False
    try:
        display = qh.XvfbDisplay(SCREEN_WIDTH, SCREEN_HEIGHT)
        program = Program(folder, exe, probe_exe, display)
        port = start_with_port_missing(program, link)
        run_terminal(program, port, second_link)
        send_bluetooth_command(program, port)
        crafted_start(program, port)
        passed = True
    except Failure:
        if program is not None and display is not None:
            display.screenshot(os.path.join(folder, "failure.png"))
        raise
    finally:
        if program is not None:
            program.stop()
        if port is not None:
            port.close()
        if display is not None:
            display.close()
        if passed:
            shutil.rmtree(folder, ignore_errors=True)
        else:
            print("kept for inspection: %s (wine.stderr.log, failure.png)" % folder)


FAST_SETUP = (b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=921600\r\nCOMPARI=N\r\nCOMBITS=8\r\n"
              b"COMSTOP=1\r\n")
FAST_SECONDS = 4
FAST_RATE = 92160
FAST_MAX_BEHIND = 32 * 1024


def numbered_lines(count, first=0):
    """Lines of 78 characters: with CR LF, one log row each."""
    return [(b"%06d " % i + b"0123456789abcdef" * 5)[:78] for i in range(first, first + count)]


def joined(lines):
    return b"".join(text + b"\r\n" for text in lines)


def start_logging(program, setup, opened, preexec=None):
    """Starts the program with setup and turns its log on (F9); returns the
    window and the log's path."""
    with open(os.path.join(program.folder, "quorvant.ini"), "wb") as f:
        f.write(setup)
    log_path = os.path.join(os.environ["WINEPREFIX"], "drive_c", "LogFile.csv")
    remove_log(log_path)
    program.start(preexec=preexec)
    window = wait_for_window(program, CAPTION)
    program.wait_text(SETTINGS_FIELD, opened, "the port open")
    press_in(program, window, "F9")
    program.wait_text(STATUS_LINE, b"==== LOG -ON- ====", "the first F9")
    return window, log_path


def logged_texts(log_path, count, timeout=EVENT_TIMEOUT):
    """The texts of the log's rows after its first, once there are count of
    them, the log has stopped growing for a second, or the time is up."""
    sizes = []

    def rows():
        with open(log_path, "rb") as f:
            return f.read().split(b"\r\n")[:-1]

    def done():
        sizes.append(os.path.getsize(log_path))
        return len(rows()) > count or sizes[-6:].count(sizes[-1]) == 6
    try:
        wait_for(done, timeout, "the logged lines", interval=0.2)
    except qh.Timeout:
        pass
    return [m.group(1) if m else row for m, row in
            ((LOG_ROW.fullmatch(row), row) for row in rows()[1:])]


def lines_problem(got, lines):
    """None when got is lines, else where they part."""
    if got == lines:
        return None
    first = next((i for i, (a, b) in enumerate(zip(got, lines)) if a != b),
                 min(len(got), len(lines)))
    return ("the log holds %d of %d lines, the first difference at line %d (%r)"
            % (len(got), len(lines), first, got[first] if first < len(got) else None))


def run_fast_line(program, port):
    """921600 8N1, F9, numbered lines at 92,160 bytes a second: the feeder
    never falls more than 32 kB behind and the log holds every line once."""
    window, log_path = start_logging(program, FAST_SETUP, b" COM1: 921600,N,8,1")
    lines = numbered_lines(FAST_SECONDS * FAST_RATE // 80)
    worst = qh.feed_paced(port, joined(lines), FAST_RATE)
    check(worst <= FAST_MAX_BEHIND, "the feeder fell %d bytes behind" % worst)
    program.wait_text(DISPLAY, lines[-1], "the last line on the display")
    press_in(program, window, "F9")
    program.wait_text(STATUS_LINE, b"==== LOG -OFF- ====", "the second F9")
    problem = lines_problem(logged_texts(log_path, len(lines)), lines)
    check(problem is None, "921600: %s" % problem)
    print("921600: %d lines logged in order; the feeder at most %d bytes behind"
          % (len(lines), worst))
    end_program_with_alt_x(program, window)


BOX_STREAM_SECONDS = 8
BOX_OPENS_AT = 2
BOX_STANDS = 4
BOX_MAX_BEHIND = 64 * 1024


SHOWN_LINE = re.compile(rb"(\d{6}) 0123456789abcdef")
# Two seconds of the stream are about 2300 lines.
SHOWN_LINES_WITHIN_TWO_SECONDS = 1000


def last_shown_line(program):
    _, text = program.probe("text", DISPLAY, 0, b"".hex())
    numbers = [int(n) for n in SHOWN_LINE.findall(text)]
    return max(numbers) if numbers else -1


def stand_and_watch(program, opened, what):
    """Lets a box stand BOX_STANDS seconds from opened on, checking that the
    display follows the stream meanwhile: the ticks run under the box."""
    first = last_shown_line(program)
    time.sleep(2)
    second = last_shown_line(program)
    check(second - first >= SHOWN_LINES_WITHIN_TWO_SECONDS,
          "with %s standing the display went from line %d to %d in two seconds"
          % (what, first, second))
    time.sleep(max(0.0, opened + BOX_STANDS - time.monotonic()))
    return second - first


def run_save_dialog_under_stream(program, port):
    """921600 8N1 for 8 s with the save dialog standing 4 s in the middle:
    the ticks read on under it, so the display follows the stream, the
    feeder never falls more than 64 kB behind, and Escape loses nothing.
    (The port's input queue alone would hold the 4 s without a tick.)"""
    window, log_path = start_logging(program, FAST_SETUP, b" COM1: 921600,N,8,1")
    lines = numbered_lines(BOX_STREAM_SECONDS * FAST_RATE // 80)
    feeder = qh.Feeder(port, joined(lines), FAST_RATE)
    feeder.at(BOX_OPENS_AT)
    program.click(SAVE)
    dialog = wait_for_window(program, SAVE_DIALOG)
    opened = time.monotonic()
    followed = stand_and_watch(program, opened, "the save dialog")
    program.xdotool("windowfocus", "--sync", dialog)
    program.xdotool("key", "Escape")
    wait_for(lambda: not visible_windows(program, SAVE_DIALOG), EVENT_TIMEOUT,
             "the save dialog to close")
    stood = time.monotonic() - opened
    worst = feeder.finish()
    check(worst <= BOX_MAX_BEHIND, "921600 with the save dialog standing %.1f s: the feeder "
          "fell %d bytes behind" % (stood, worst))
    problem = lines_problem(logged_texts(log_path, len(lines)), lines)
    check(problem is None, "921600 with the save dialog standing: %s" % problem)
    print("921600 with the save dialog standing %.1f s: %d lines shown in two seconds under it, "
          "%d lines logged in order; the feeder at most %d bytes behind"
          % (stood, followed, len(lines), worst))
    end_program_with_alt_x(program, window)


# The log may grow this much more once the stream runs, about two seconds
# of it: the write that crosses the limit fails, and the failure's box stands.
LOG_GROWTH_LIMIT = 240000


def write_failures_not_fatal():
    # Inherited by the program's process through Wine's: a write beyond the
    # size limit then fails rather than ending the program.
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)


def run_log_failure_box_under_stream(program, port):
    """921600 8N1 for 8 s with the log's write-failure box standing 4 s:
    the ticks read on under it, so the display follows the stream and the
    feeder never falls more than 64 kB behind; the log holds the lines up
    to its failure, in order."""
    window, log_path = start_logging(program, FAST_SETUP, b" COM1: 921600,N,8,1",
                                     write_failures_not_fatal)
    pid = program.pid()
    check(pid is not None, "no process of the program")
    limit = os.path.getsize(log_path) + LOG_GROWTH_LIMIT
    resource.prlimit(pid, resource.RLIMIT_FSIZE, (limit, limit))
    lines = numbered_lines(BOX_STREAM_SECONDS * FAST_RATE // 80)
    feeder = qh.Feeder(port, joined(lines), FAST_RATE)
    box = wait_for_window(program, "quorvant")
    opened = time.monotonic()
    shown = opened - feeder.started
    followed = stand_and_watch(program, opened, "the write-failure box")
    program.xdotool("windowfocus", "--sync", box)
    program.xdotool("key", "Return")
    wait_for(lambda: not visible_windows(program, "quorvant"), EVENT_TIMEOUT,
             "the write-failure box to close")
    worst = feeder.finish()
    check(worst <= BOX_MAX_BEHIND, "921600 with the write-failure box standing %d s from "
          "%.1f s on: the feeder fell %d bytes behind" % (BOX_STANDS, shown, worst))
    got = logged_texts(log_path, len(lines))
    check(0 < len(got) < len(lines) and got == lines[:len(got)],
          "the log does not hold the lines up to its failure in order: %s"
          % lines_problem(got, lines[:len(got)]))
    print("921600 with the write-failure box standing %d s from %.1f s on: %d lines shown in "
          "two seconds under it, the first %d lines logged in order; the feeder at most %d bytes "
          "behind" % (BOX_STANDS, shown, followed, len(got), worst))
    end_program_with_alt_x(program, window)


BACKLOG_SETUP = (b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=230400\r\nCOMPARI=N\r\nCOMBITS=8\r\n"
                 b"COMSTOP=1\r\n")
# At 230400 8N1 a tick reads 4608 bytes, so 20,000 bytes wait four ticks;
# at 115200 a backlog above 10000 bytes is dropped by design.
BACKLOG_BYTES = 20000
BACKLOG_READ_SECONDS = 0.4
SPECIAL_COMMAND = b"\x1b" * 255 + b"\x1cT"


def run_special_command_in_backlog(program, port):
    """F2 while 20,000 bytes of lines wait: the bytes it drops before
    sending were received all the same, so the log holds every line once,
    in order."""
    window, log_path = start_logging(program, BACKLOG_SETUP, b" COM1: 230400,N,8,1")
    lines = numbered_lines(BACKLOG_BYTES // 80)
    program.xdotool("windowfocus", "--sync", window)
    port.write(joined(lines), timeout=10)
    fed = time.monotonic()
    program.xdotool("key", "F2")
    sent = port.take(len(SPECIAL_COMMAND), EVENT_TIMEOUT, "the special test command")
    answered = time.monotonic() - fed
    check(sent == SPECIAL_COMMAND, "F2 during a backlog sent %r" % sent[:16])
    # Otherwise the ticks had read the backlog before F2 came.
    check(answered < BACKLOG_READ_SECONDS, "F2 went out %.0f ms after the feed; reading the "
          "backlog takes about %.0f ms" % (answered * 1000, BACKLOG_READ_SECONDS * 1000))
    got = logged_texts(log_path, len(lines))
    problem = lines_problem(got, lines)
    check(problem is None, "F2 during a %d-byte backlog: %s" % (BACKLOG_BYTES, problem))
    print("230400: F2 %.0f ms into a %d-byte backlog; %d lines logged in order"
          % (answered * 1000, BACKLOG_BYTES, len(got)))
    end_program_with_alt_x(program, window)


SLOW_SETUP = (b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=1200\r\nCOMPARI=E\r\nCOMBITS=8\r\n"
              b"COMSTOP=1\r\n")
SLOW_STREAM_SECONDS = 3.2
# 1200 baud with even parity carries 109 bytes a second.
SLOW_LINE_RATE = 110
KEY_WITHIN = 0.1


def run_slow_sendx(program, port):
    """SendX at 1200 baud writes no faster than the line sends, and a key
    typed meanwhile goes out at once."""
    with open(os.path.join(program.folder, "quorvant.ini"), "wb") as f:
        f.write(SLOW_SETUP)
    program.start()
    window = wait_for_window(program, CAPTION)
    program.wait_text(SETTINGS_FIELD, b" COM1: 1200,E,8,1", "port open at 1200")
    program.click(SEND_X)
    program.wait_check(SEND_X, True, "SendX did not latch")
    port.wait_received(lambda data: qh.STREAM_HEAD in data, EVENT_TIMEOUT, "the first line")
    start = time.monotonic()
    port.take()
    time.sleep(SLOW_STREAM_SECONDS / 2)
    program.xdotool("windowfocus", "--sync", window)
    pressed = time.monotonic()
    # 'Q' occurs in no stream line.
    program.xdotool("key", "shift+q")
    port.wait_received(lambda data: b"Q" in data, EVENT_TIMEOUT, "the typed key")
    answered = time.monotonic() - pressed
    time.sleep(max(0.0, start + SLOW_STREAM_SECONDS - time.monotonic()))
    data = port.take()
    rate = (len(data) - 1) / (time.monotonic() - start)
    check(rate <= SLOW_LINE_RATE, "SendX at 1200 baud wrote %d bytes a second" % rate)
    # Starting xdotool takes part of the time; the window's own share is less.
    check(answered <= KEY_WITHIN + 0.05,
          "a key during SendX at 1200 baud took %.0f ms" % (answered * 1000))
    problem = qh.stream_line_problems(qh.whole_stream_lines(data.replace(b"Q", b"")))
    check(problem is None, "SendX at 1200 baud: %s" % problem)
    print("1200: SendX wrote %d bytes a second; a key went out after %.0f ms"
          % (rate, answered * 1000))
    end_program_with_alt_x(program, window)


STALL_SETUP = (b"[RS232]\r\nCOMPORT=1\r\nCOMBAUD=300\r\nCOMPARI=E\r\nCOMBITS=8\r\n"
               b"COMSTOP=1\r\n")
STALL_KEYS = 30
STALL_KEY_SPACING_MS = 30
HELP_WITHIN = 1.0
SPECIAL_NOT_SENT = b"==== SPECIAL TEST COMMAND NOT TRANSMITTED ===="


def run_stalled_line(program, port):
    """A peer that stops taking bytes at 300 baud 8E1: 30 keys at
    autorepeat pace and then F1 bring the help window up at once; F2 on the
    stalled line says, once the queue has stood still for a second, that it
    did not go out, and its closing FS 'T' never reaches the peer once it
    takes bytes again; a key goes out after that."""
    with open(os.path.join(program.folder, "quorvant.ini"), "wb") as f:
        f.write(STALL_SETUP)
    program.start()
    window = wait_for_window(program, CAPTION)
    program.wait_text(SETTINGS_FIELD, b" COM1: 300,E,8,1", "port open at 300")
    typed_key_arrives(program, window, port, "a", "a key before the line stalls")
    port.stop_output()
    try:
        program.xdotool("windowfocus", "--sync", window)
        program.xdotool("key", "--delay", str(STALL_KEY_SPACING_MS), *["b"] * STALL_KEYS)
        pressed = time.monotonic()
        program.xdotool("key", "F1")
        help_window = wait_for_window(program, HELP_WINDOW)
        took = time.monotonic() - pressed
        check(took <= HELP_WITHIN, "%d keys on a stalled line, then F1: the help window came "
              "after %.0f ms" % (STALL_KEYS, took * 1000))
        program.xdotool("windowfocus", "--sync", help_window)
        program.xdotool("key", "Escape")
        wait_for(lambda: not visible_windows(program, HELP_WINDOW), EVENT_TIMEOUT,
                 "the help window to close")

        program.xdotool("windowfocus", "--sync", window)
        program.xdotool("key", "F2")
        pressed = time.monotonic()
        # The report comes once, sent or not: the first that shows is its word.
        program.wait_text(STATUS_LINE, SPECIAL_NOT_SENT, "F2 on a stalled line")
        reported = time.monotonic() - pressed
    finally:
        port.resume_output()
    got = port.take_until_quiet(1.0, EVENT_TIMEOUT)
    check(b"\x1cT" not in got, "F2 on a stalled line went out once the line resumed "
          "(%d bytes arrived)" % len(got))
    typed_key_arrives(program, window, port, "c", "a key after the stall")
    print("300 with the line stalled: the help window after %.0f ms, F2 reported as not "
          "transmitted after %.0f ms" % (took * 1000, reported * 1000))
    end_program_with_alt_x(program, window)


def fast_line(exe, probe_exe):
    prefix = os.environ.get("WINEPREFIX")
    check(prefix and os.path.isdir(prefix), "WINEPREFIX names no Wine prefix")
    link = qh.registered_com_link(prefix, 1)
    check(link, "COM1 is not registered in %s" % prefix)
    folder = tempfile.mkdtemp(prefix="quorvant-gui-")
    display = program = port = None
    try:
        display = qh.XvfbDisplay(SCREEN_WIDTH, SCREEN_HEIGHT)
        program = Program(folder, exe, probe_exe, display)
        port = qh.PtyLine()
        port.link(link)
        for run in (run_fast_line, run_save_dialog_under_stream,
                    run_log_failure_box_under_stream, run_special_command_in_backlog,
                    run_slow_sendx, run_stalled_line):
            port.drain(quiet=0.2)
            run(program, port)
    finally:
        if program is not None:
            program.stop()
        if port is not None:
            port.close()
        if display is not None:
            display.close()
        shutil.rmtree(folder, ignore_errors=True)


DEMO_PORTS = (21, 22)
DEMO_SECONDS = 10
SYNC_X = 1006


def new_window(program, known):
    """The id of the program's main window: the one of that caption not in
    known. Both open centred, one over the other."""
    def search():
        fresh = [w.decode() for w in visible_windows(program, CAPTION)]
        fresh = [w for w in fresh if w not in known]
        return fresh[0] if fresh else None
    return wait_for(search, WINDOW_TIMEOUT, "the new window", interval=0.1)


def click_on_top(program, window, control):
    """Raises the window above the other one, then clicks into the control
    (no window manager: Wine only knows where it put the window)."""
    program.xdotool("windowraise", window)
    program.click(control)


def link_demo(exe, probe_exe):
    """Two programs back to back at 921600 baud: the right one, after SyncX,
    shows the left one's SendX stream, every line whole, numbered in order
    and check-summed, after ten seconds of the full burst."""
    prefix = os.environ.get("WINEPREFIX")
    check(prefix and os.path.isdir(prefix), "WINEPREFIX names no Wine prefix")
    links = [qh.registered_com_link(prefix, n) for n in DEMO_PORTS]
    check(all(links), "COM%d and COM%d are not registered in %s" % (DEMO_PORTS + (prefix,)))
    folders = [tempfile.mkdtemp(prefix="quorvant-gui-") for _ in DEMO_PORTS]
    display = relay = None
    programs = []
    windows = []
    try:
        display = qh.XvfbDisplay(SCREEN_WIDTH, SCREEN_HEIGHT)
        relay = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "null_modem.py")]
                                 + links, stdout=subprocess.PIPE)
        check(relay.stdout.readline().strip() == b"ready", "the relay did not start")
        for folder, port in zip(folders, DEMO_PORTS):
            with open(os.path.join(folder, "quorvant.ini"), "wb") as f:
                f.write(b"[RS232]\r\nCOMPORT=%d\r\nCOMBAUD=921600\r\nCOMPARI=E\r\n"
                        b"COMBITS=8\r\nCOMSTOP=1\r\n" % port)
            programs.append(Program(folder, exe, probe_exe, display))
            # One at a time: each brings up a Wine desktop of its own.
            program = programs[-1]
            program.start()
            # Both windows bear one caption: the probe, which looks on the
            # program's own desktop, tells them apart (and fails until the
            # desktop exists).
            opened = b" COM%d: 921600,E,8,1" % port
            wait_for(lambda: program.probe("text", SETTINGS_FIELD, 1000, opened.hex())[0] == 0,
                     WINDOW_TIMEOUT, "COM%d open" % port, interval=0.2)
            windows.append(new_window(program, windows))
        sender, receiver = programs
        click_on_top(receiver, windows[1], SYNC_X)
        click_on_top(sender, windows[0], SEND_X)
        sender.wait_check(SEND_X, True, "SendX did not latch")
        time.sleep(DEMO_SECONDS)
        _, text = receiver.probe("text", DISPLAY, int(EVENT_TIMEOUT * 1000), b"".hex())
        rows = text.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n")
        whole = [row for row in rows if len(row) == qh.STREAM_LINE]
        check(len(whole) >= 15, "only %d whole lines on the SyncX side: %r"
              % (len(whole), text[:300]))
        check(all(row.startswith(qh.STREAM_HEAD) for row in rows[1:-1]),
              "the lines are not aligned: %r" % text[:300])
        problem = qh.stream_line_problems(b"".join(whole))
        check(problem is None, "SyncX side: %s" % problem)
        print("link demo at 921600 baud: %d aligned, check-summed lines on the SyncX side"
              % len(whole))
    finally:
        for program in programs:
            program.stop()
        if relay is not None:
            relay.terminate()
            relay.wait()
        if display is not None:
            display.close()
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)


def run_windows_test(probe_exe, test_exe, extra_env=None):
    folder = tempfile.mkdtemp(prefix="quorvant-gui-")
    display = qh.XvfbDisplay(SCREEN_WIDTH, SCREEN_HEIGHT)
    try:
        launch = [WINE_RUN, probe_exe, os.path.basename(folder), "run", windows_path(test_exe)]
        env = dict(display.env, **(extra_env or {}))
        return subprocess.run(launch, cwd=folder, env=env).returncode
    finally:
        end_processes_in(folder)
        display.close()
        shutil.rmtree(folder, ignore_errors=True)


RESOLUTIONS = (96, 144, 192)
LOG_PIXELS_KEYS = ("HKCU\\Control Panel\\Desktop",
                   "HKLM\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts")


def run_at_resolutions(probe_exe, test_exe):
    """The test program once per display resolution, in a fresh prefix of
    its own: the resolution is a setting of the whole prefix, which the
    shared one must keep for the tests running beside this one."""
    prefix = tempfile.mkdtemp(prefix="quorvant-dpi-prefix-")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
    failed = []
    try:
        subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix.sh"), prefix], check=True,
                       env=env, stdout=subprocess.DEVNULL)
        for dpi in RESOLUTIONS:
            for key in LOG_PIXELS_KEYS:
                subprocess.run(["wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD",
                                "/d", str(dpi), "/f"], env=env, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            # Each process reads the resolution as it starts; the server
            # ending makes sure no process of the last one stays.
            subprocess.run(["wineserver", "-w"], env=env)
            print("at %d DPI:" % dpi, flush=True)
            if run_windows_test(probe_exe, test_exe, {"WINEPREFIX": prefix,
                                                      "QUORVANT_EXPECTED_DPI": str(dpi)}):
                failed.append(dpi)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env)
        shutil.rmtree(prefix, ignore_errors=True)
        if os.path.exists(prefix + ".stderr.log"):
            os.remove(prefix + ".stderr.log")
    if failed:
        print("FAILED at %s DPI" % ", ".join(str(d) for d in failed))
    return 1 if failed else 0


def main(argv):
    # ctest ends a test that runs too long with SIGTERM: clean up all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    if len(argv) == 4 and argv[1] == "windows":
        return run_windows_test(argv[2], argv[3])
    if len(argv) == 4 and argv[1] == "resolutions":
        return run_at_resolutions(argv[2], argv[3])
    modes = {"end-to-end": end_to_end, "fast-line": fast_line, "link-demo": link_demo}
    if len(argv) == 4 and argv[1] in modes:
        try:
            modes[argv[1]](argv[2], argv[3])
        except Failure as failure:
            print("FAILED: %s" % failure)
            return 1
        print("passed")
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

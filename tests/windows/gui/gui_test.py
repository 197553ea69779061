#!/usr/bin/env python3
"""The Windows program end to end, under Wine on a virtual X display.

  gui_test.py windows PROBE_EXE TEST_EXE    run a Windows test program that
                                            needs real windows
  gui_test.py end-to-end EXE PROBE_EXE      the .exe against a pty on COM1

Both run their program on a fresh Xvfb, and under Wine on a desktop of its
own: Wine's default desktop takes its display from whichever program started
it first, possibly a test without any display.

The Wine prefix is the one in WINEPREFIX; COM1 must be registered there to a
link path (scripts/wine-prefix.sh PREFIX 1=LINKPATH). The test points that
link at a fresh pty, starts a copy of the .exe in a temporary folder and drives
it with xdotool. It waits for events and never sleeps blindly: every wait ends
as soon as its condition holds, or fails after a generous time limit.
"""
import os
import pty
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import tty

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")

CAPTION = "QUORVANTVIEW   quorvant   V.2.17"
SETTINGS_FIELD, LAMP, SEND_X, DISPLAY = 1126, 1011, 1008, 1067
GREEN, MAGENTA, BLACK = (0, 255, 0), (255, 0, 255), (0, 0, 0)
STREAM_HEAD = b"abcdefghijklmnopqrstuvwxyz--LINE="
STREAM_LINE = 80

WINDOW_TIMEOUT = 60.0
EVENT_TIMEOUT = 20.0


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(condition, timeout, what, poll=0.05):
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= end:
            raise Failure("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(poll)


class VirtualDisplay:
    """Xvfb on a display number it picks itself, with a US keyboard layout."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp",
             "-screen", "0", "1024x768x24"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            self.close()
            raise Failure("Xvfb did not start")
        self.name = ":" + number.decode()
        if shutil.which("setxkbmap"):
            subprocess.run(["setxkbmap", "-display", self.name, "-layout", "us"], check=False)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class PtyPort:
    """One pty pair; the slave stands behind COM1's link, the master is the
    far end of the line. A thread keeps reading the master so that the
    program's writes never block."""

    def __init__(self, link):
        self.master, self.slave = pty.openpty()
        tty.setraw(self.slave)
        self.link = link
        temporary = link + ".new"
        if os.path.lexists(temporary):
            os.unlink(temporary)
        os.symlink(os.ttyname(self.slave), temporary)
        os.replace(temporary, link)
        self.received = bytearray()
        self.lock = threading.Condition()
        self.open = True
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while self.open:
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                break
            if not chunk:
                break
            with self.lock:
                self.received += chunk
                self.lock.notify_all()

    def write(self, data):
        os.write(self.master, data)

    def take(self, count, timeout, what):
        """The next count bytes that arrive, in order."""
        end = time.monotonic() + timeout
        with self.lock:
            while len(self.received) < count:
                left = end - time.monotonic()
                if left <= 0:
                    raise Failure("timed out waiting for %s: %d of %d bytes: %r" %
                                  (what, len(self.received), count, bytes(self.received[:64])))
                self.lock.wait(left)
            data = bytes(self.received[:count])
            del self.received[:count]
            return data

    def take_until_quiet(self, quiet, timeout):
        """Everything that arrives until the line has been silent for quiet
        seconds."""
        end = time.monotonic() + timeout
        data = bytearray()
        with self.lock:
            while True:
                data += self.received
                self.received.clear()
                if not self.lock.wait(quiet):
                    return bytes(data)
                if time.monotonic() >= end:
                    raise Failure("the line did not fall silent")

    def close(self):
        self.open = False
        for fd in (self.slave, self.master):
            try:
                os.close(fd)
            except OSError:
                pass
        if os.path.islink(self.link):
            os.unlink(self.link)


def registered_link(prefix, number):
    """The link path registered for COMn in the prefix's machine registry."""
    try:
        with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return None
    section = re.search(r"^\[Software\\\\Wine\\\\Ports\][^\n]*\n(.*?)(?:\n\n|\Z)", text,
                        re.M | re.S)
    if not section:
        return None
    entry = re.search(r'^"COM%d"="([^"]*)"' % number, section.group(1), re.M)
    return entry.group(1).replace("\\\\", "\\") if entry else None


def windows_path(unix_path):
    # A fresh prefix maps drive Z: to the Unix root.
    return "Z:" + unix_path.replace("/", "\\")


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
        self.env = dict(os.environ, DISPLAY=display,
                        QUORVANT_WINE_LOG=os.path.join(folder, "wine.stderr.log"))
        self.display = display
        self.process = None

    def start(self):
        self.process = subprocess.Popen(
            [WINE_RUN, self.probe_exe, self.desktop, "run", windows_path(self.exe)],
            cwd=self.folder, env=self.env, stdout=subprocess.DEVNULL)

    def probe(self, *args):
        result = subprocess.run(
            [WINE_RUN, self.probe_exe, self.desktop] + [str(a) for a in args], cwd=self.folder,
            env=self.env, stdout=subprocess.PIPE, timeout=EVENT_TIMEOUT + 30)
        return result.returncode, result.stdout

    def wait_text(self, control, needle, what):
        code, text = self.probe("text", control, int(EVENT_TIMEOUT * 1000), needle.hex())
        check(code == 0, "%s: control %d shows %r" % (what, control, text))
        return text

    def wait_check(self, control, state, what):
        code, _ = self.probe("check", control, int(EVENT_TIMEOUT * 1000), 1 if state else 0)
        check(code == 0, what)

    def rect(self, control):
        code, out = self.probe("rect", control, int(EVENT_TIMEOUT * 1000))
        check(code == 0, "no rectangle for control %d" % control)
        return [int(v) for v in out.split()]

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, stdout=subprocess.PIPE,
                              check=True, timeout=EVENT_TIMEOUT + 30).stdout.decode().strip()

    def pixel(self, x, y):
        out = subprocess.run(["import", "-display", self.display, "-window", "root", "-crop",
                              "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"], stdout=subprocess.PIPE,
                             check=True, timeout=EVENT_TIMEOUT).stdout.decode()
        match = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
        return tuple(int(v) for v in match.groups()) if match else None

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       check=False, timeout=EVENT_TIMEOUT)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        end_processes_in(self.folder)


def stream_line_problems(data):
    """Checks received test stream data: whole lines, consecutive numbers,
    the marker where the number puts it and a matching checksum."""
    if len(data) % STREAM_LINE:
        return "%d bytes are no whole number of lines" % len(data)
    previous = None
    for start in range(0, len(data), STREAM_LINE):
        line = data[start:start + STREAM_LINE]
        if not line.startswith(STREAM_HEAD) or not line[33:38].isdigit():
            return "bad line %r" % line
        number = int(line[33:38])
        if previous is not None and number != (previous + 1) % 65536:
            return "line %d follows line %d" % (number, previous)
        previous = number
        marks = bytearray(b"-" * 34)
        marks[1 + number % 32] = ord("#")
        if line[38:72] != bytes(marks):
            return "marker misplaced in %r" % line
        checksum = (0xF1C4 + sum(line[:72])) & 0xFFFF
        if line[72:] != b"CS=%04XX" % checksum:
            return "checksum of %r is not %04X" % (line, checksum)
    return None


def setup_file_problems(data):
    lines = data.split(b"\r\n")
    if lines[-1] != b"" or any(b"\n" in line or b"\r" in line for line in lines):
        return "the lines do not all end in CR LF: %r" % data
    expected = [
        rb"==\[ SETUP FILE FOR QUORVANT\.EXE \]==", b"", rb"\[RS232\]", b"COMPORT=1",
        b"COMBAUD=115200", b"COMPARI=E", b"COMBITS=8", b"COMSTOP=1", b"", rb"\[ACCESS\]",
        rb"LastAccess=\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d", rb"LastCommand=[^A-Z]*quorvant\.exe.*",
        b"", rb"\[HELP\]", b"LANGUAGE=D", b"", rb"\[BLUETOOTH\]", b"SELECTED_MAC=0",
    ] + [b"MAC%d=" % slot for slot in range(1, 9)]
    if len(lines) - 1 != len(expected):
        return "%d lines instead of %d: %r" % (len(lines) - 1, len(expected), data)
    for line, pattern in zip(lines, expected):
        if not re.fullmatch(pattern, line):
            return "line %r does not match %r" % (line, pattern)
    return None


def visible_windows(program, caption):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                           "^%s$" % re.escape(caption)],
                          env=program.env, stdout=subprocess.PIPE).stdout.split()


def wait_for_window(program, caption):
    return wait_until(lambda: visible_windows(program, caption), WINDOW_TIMEOUT,
                      "the window %r" % caption, poll=0.1)[0].decode()


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
    wait_until(lambda: program.pixel(*lamp) == BLACK, EVENT_TIMEOUT, "the black lamp")

    port = PtyPort(link)
    program.wait_text(SETTINGS_FIELD, b" COM1: 115200,E,8,1", "the port opened by the poll")
    wait_until(lambda: program.pixel(*lamp) == GREEN, EVENT_TIMEOUT, "the green lamp")
    end_program_with_alt_x(program, window)
    return port


def run_terminal(program, port):
    started = time.monotonic()
    program.start()
    window = wait_for_window(program, CAPTION)
    print("window visible after %.2f s" % (time.monotonic() - started))

    # The port is open before anything is sent: opening discards waiting input.
    program.wait_text(SETTINGS_FIELD, b" COM1: 115200,E,8,1", "port open")
    lamp = lamp_point(program)
    wait_until(lambda: program.pixel(*lamp) == GREEN, EVENT_TIMEOUT, "the green lamp")

    # Received bytes reach the display, Windows-1252 included.
    port.write(b"hello from the pty \xe4\r\n")
    program.wait_text(DISPLAY, b"hello from the pty \xe4", "received text")

    # Keys typed on the (US) keyboard go out translated, one byte each.
    program.xdotool("windowfocus", "--sync", window)
    program.xdotool("key", "--delay", "60", "a", "shift+a", "shift+3", "Return")
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
    stream = port.take(STREAM_LINE * 36, EVENT_TIMEOUT, "three bursts of the test stream")
    problem = stream_line_problems(stream)
    check(problem is None, "test stream: %s" % problem)
    wait_until(lambda: program.pixel(*lamp) == MAGENTA, EVENT_TIMEOUT, "the magenta lamp")

    # Return while the stream runs only stops it: nothing else goes out.
    program.xdotool("key", "Return")
    program.wait_check(SEND_X, False, "Return did not release SendX")
    rest = stream[len(stream) - STREAM_LINE:] + port.take_until_quiet(0.5, EVENT_TIMEOUT)
    problem = stream_line_problems(rest)
    check(problem is None, "after the stream stopped: %s" % problem)
    wait_until(lambda: program.pixel(*lamp) == GREEN, EVENT_TIMEOUT, "the lamp back green")

    end_program_with_alt_x(program, window)
    with open(os.path.join(program.folder, "quorvant.ini"), "rb") as f:
        problem = setup_file_problems(f.read())
    check(problem is None, "setup file: %s" % problem)


def end_to_end(exe, probe_exe):
    prefix = os.environ.get("WINEPREFIX")
    check(prefix and os.path.isdir(prefix), "WINEPREFIX names no Wine prefix")
    link = registered_link(prefix, 1)
    check(link, "COM1 is not registered in %s; make the prefix with "
                "scripts/wine-prefix.sh PREFIX 1=LINKPATH" % prefix)

    folder = tempfile.mkdtemp(prefix="quorvant-gui-")
    display = port = program = None
    passed = False
    try:
        display = VirtualDisplay()
        program = Program(folder, exe, probe_exe, display.name)
        port = start_with_port_missing(program, link)
        run_terminal(program, port)
        passed = True
    except Failure:
        if program is not None and display is not None:
            program.screenshot(os.path.join(folder, "failure.png"))
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


def run_windows_test(probe_exe, test_exe):
    folder = tempfile.mkdtemp(prefix="quorvant-gui-")
    display = VirtualDisplay()
    try:
        launch = [WINE_RUN, probe_exe, os.path.basename(folder), "run", windows_path(test_exe)]
        env = dict(os.environ, DISPLAY=display.name)
        return subprocess.run(launch, cwd=folder, env=env).returncode
    finally:
        end_processes_in(folder)
        display.close()
        shutil.rmtree(folder, ignore_errors=True)


def main(argv):
    # ctest ends a test that runs too long with SIGTERM: clean up all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    if len(argv) == 4 and argv[1] == "windows":
        return run_windows_test(argv[2], argv[3])
    if len(argv) == 4 and argv[1] == "end-to-end":
        try:
            end_to_end(argv[2], argv[3])
        except Failure as failure:
            print("FAILED: %s" % failure)
            return 1
        print("passed")
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

"""What the end-to-end tests and the helper scripts share: a private X
display, a pty as the far end of the serial line, COM port links of a Wine
prefix, waiting with deadlines, and the checks of what the program sends
and writes.

Used by tests/linux/qt_e2e.py, tests/windows/gui/gui_test.py,
tests/windows/serve_com_port.py, scripts/screenshot-linux.sh and
bench/process_bench.sh. Nothing here sleeps blindly: every wait ends as soon
as its condition holds, or fails after its time limit.
"""

import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import termios
import threading
import time
import tty

READ_CHUNK = 65536


class Failure(Exception):
    """A check of the program failed."""


class Timeout(Failure):
    """Something did not happen within its time limit."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def process_status_kib(pid, key):
    """A memory figure of /proc/PID/status in KiB (VmRSS, VmHWM, ...); 0 when absent."""
    with open("/proc/%d/status" % pid) as f:
        for row in f:
            if row.startswith(key + ":"):
                return int(row.split()[1])
    return 0


def open_paths(pid):
    """Where the process's descriptors lead."""
    paths = []
    folder = "/proc/%d/fd" % pid
    for name in os.listdir(folder):
        try:
            paths.append(os.readlink(os.path.join(folder, name)))
        except OSError:
            pass  # closed while we looked
    return paths


def holds(pid, path):
    """Whether the process holds path open; a hung-up pty it still holds
    reads as "/dev/pts/N (deleted)"."""
    return any(p == path or p.startswith(path + " ") for p in open_paths(pid))


CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def process_cpu_seconds(pid):
    """User and system CPU time the process has used so far, in seconds."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15 of the whole line.
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def wait_for(condition, timeout, what, interval=0.05):
    """Polls condition() until it returns something true; returns that."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise Timeout("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class XvfbDisplay:
    """Xvfb on a display number it picks itself (-displayfd), with a US
    keyboard layout unless told otherwise."""

    def __init__(self, width=1280, height=1024, layout="us"):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (width, height), "-noreset", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        try:
            number = self._read_display_number(read_end)
        except Failure:
            self.close()
            raise
        finally:
            os.close(read_end)
        self.name = ":" + number
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("WAYLAND_DISPLAY", None)
        if layout and shutil.which("setxkbmap"):
            self.set_layout(layout)

    @staticmethod
    def _read_display_number(pipe, timeout=20):
        number = b""
        deadline = time.monotonic() + timeout
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([pipe], [], [], max(left, 0))
            if not ready:
                raise Timeout("Xvfb did not report its display")
            chunk = os.read(pipe, 16)
            if not chunk:
                raise Failure("Xvfb ended before it reported its display")
            number += chunk
        return number.decode().strip()

    def run(self, *args, check=True, timeout=30):
        return subprocess.run(list(args), env=self.env, check=check, capture_output=True,
                              text=True, timeout=timeout)

    def set_layout(self, layout):
        self.run("setxkbmap", layout)

    def pixel(self, x, y):
        """(r, g, b) of one pixel of the whole screen."""
        out = self.run("import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "-depth",
                       "8", "txt:-").stdout
        match = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
        return tuple(int(v) for v in match.groups()) if match else None

    def screenshot(self, path, window="root"):
        self.run("import", "-window", window, path, check=False)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def point_link(link, target):
    """Points the symlink link at target in one step, replacing what was
    there, so that a program opening link never sees it missing."""
    temporary = link + ".new"
    if os.path.lexists(temporary):
        os.unlink(temporary)
    os.symlink(target, temporary)
    os.replace(temporary, link)


class PtyLine:
    """The far end of a serial line: the master side of a pty pair, whose
    slave the program opens (by slave_path, or through a link). A thread
    keeps reading the master so that the program's writes never block;
    with echo, what it reads goes straight back (a loop-back plug).

    The slave is raw unless raw_slave is false: then it keeps the kernel's
    cooked defaults, and the program's own line settings have to make the
    line carry every byte unchanged. The pair keeps its own slave open, so
    the line stays up while the program closes and re-opens the port.
    A held line stops reading, as a peer that stopped taking bytes, until it
    is resumed."""

    def __init__(self, raw_slave=True, echo=False):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        if raw_slave:
            tty.setraw(self.slave)
        os.set_blocking(self.master, False)
        self.slave_path = os.ttyname(self.slave)
        self.echo = echo
        self.links = []
        self.received = bytearray()
        self.arrived = threading.Condition()
        self.open = True
        self.reading = threading.Event()
        self.reading.set()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def link(self, path):
        """Makes path lead to the slave until the line is closed."""
        point_link(path, self.slave_path)
        self.links.append(path)

    def hold(self):
        self.reading.clear()

    def resume(self):
        self.reading.set()

    def _read(self):
        while self.open:
            if not self.reading.wait(0.05):
                continue
            try:
                ready, _, _ = select.select([self.master], [], [], 0.05)
                chunk = os.read(self.master, READ_CHUNK) if ready else b""
            except BlockingIOError:
                continue
            except (OSError, ValueError):
                break  # closed under us
            if not chunk:
                continue
            if self.echo:
                self._write_all(chunk, timeout=None)
                continue
            with self.arrived:
                self.received += chunk
                self.arrived.notify_all()

    def _write_all(self, data, timeout):
        view = memoryview(data)
        deadline = None if timeout is None else time.monotonic() + timeout
        while view and self.open:
            try:
                view = view[os.write(self.master, view):]
                continue
            except BlockingIOError:
                pass
            except OSError:
                return
            left = 0.05 if deadline is None else min(deadline - time.monotonic(), 0.05)
            if deadline is not None and time.monotonic() >= deadline:
                raise Timeout("the program does not take the bytes written to it")
            select.select([], [self.master], [], max(left, 0))

    def write(self, data, timeout=5):
        """Writes all of data into the line, or fails after timeout."""
        self._write_all(data, timeout)

    def try_write(self, data):
        """Writes what the line takes now; returns the count (0 when full)."""
        try:
            return os.write(self.master, data)
        except BlockingIOError:
            return 0

    def stop_output(self):
        """Stops the slave's output as a peer holding flow control does: the
        program's writes find no room until resume_output."""
        termios.tcflow(self.slave, termios.TCOOFF)

    def resume_output(self):
        termios.tcflow(self.slave, termios.TCOON)

    def wait_received(self, predicate, timeout, what):
        """Waits until predicate(everything received and not taken) holds;
        returns those bytes."""
        deadline = time.monotonic() + timeout
        with self.arrived:
            while not predicate(bytes(self.received)):
                left = deadline - time.monotonic()
                if left <= 0:
                    raise Timeout("timed out waiting for %s; received %r"
                                  % (what, bytes(self.received[:200])))
                self.arrived.wait(left)
            return bytes(self.received)

    def take(self, count=None, timeout=0, what="bytes"):
        """The next count bytes that arrive, in order; without a count all
        that arrived so far."""
        with self.arrived:
            if count is None:
                count = len(self.received)
        self.wait_received(lambda data: len(data) >= count, timeout, what)
        with self.arrived:
            data = bytes(self.received[:count])
            del self.received[:count]
            return data

    def take_until_quiet(self, quiet, timeout):
        """Everything that arrives until the line has been silent for quiet
        seconds."""
        deadline = time.monotonic() + timeout
        data = bytearray()
        with self.arrived:
            while True:
                data += self.received
                self.received.clear()
                if not self.arrived.wait(quiet):
                    return bytes(data)
                if time.monotonic() >= deadline:
                    raise Failure("the line did not fall silent")

    def quiet_for(self, seconds):
        """True when nothing arrives within seconds."""
        deadline = time.monotonic() + seconds
        with self.arrived:
            before = len(self.received)
            while len(self.received) == before:
                left = deadline - time.monotonic()
                if left <= 0:
                    return True
                self.arrived.wait(left)
            return False

    def drain(self, quiet=0.3, timeout=5):
        """Discards what arrives until the line has been quiet for a while."""
        self.take_until_quiet(quiet, timeout)

    def close(self):
        # The links lead nowhere before the pty goes: the kernel hands a freed
        # pty number to the next pty opened anywhere, and a program still
        # running would take that stranger's line; a link removed instead
        # would send it to the port table's device of the machine.
        # Once only: a second close would close whatever took the numbers.
        if self.master is None:
            return
        for path in self.links:
            if os.path.lexists(path):
                point_link(path, path + ".gone")
        self.open = False
        self.reader.join(1)
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass
        self.master = self.slave = None


# --- The Linux program.

WINDOW_TITLE_WORD = "QUORVANTVIEW"
# The main dialog in dialog units; the pixel size of the window gives the
# font's base units back.
DIALOG_WIDTH_DU = 334
DIALOG_HEIGHT_DU = 254


class LinuxProgram:
    """The Linux program copied into a temporary folder and started on the
    display, with COM1 (ports/com1 beside it) on the line's pty, or on
    port_target, a path that must not be a serial device of the machine.
    With port, that port number leads there instead, and COM1 nowhere (so
    that it never falls back to the machine's ttyS0); setup, when given,
    is the setup file the program starts with. args are the program's
    arguments, or a function of the copied binary's path that gives them;
    prepare, when given, is called with the folder before the start;
    preexec, when given, runs in the child before the program (limits of
    the process)."""

    def __init__(self, binary, display, line, port_target=None, port=1, setup=None, args=(),
                 prepare=None, preexec=None):
        self.folder = tempfile.mkdtemp(prefix="quorvant-run-")
        self.binary = os.path.join(self.folder, "quorvant")
        shutil.copy2(binary, self.binary)
        os.mkdir(os.path.join(self.folder, "ports"))
        port_link = os.path.join(self.folder, "ports", "com%d" % port)
        if port_target is not None:
            point_link(port_link, port_target)
        else:
            line.link(port_link)
        if port != 1:
            point_link(os.path.join(self.folder, "ports", "com1"),
                       os.path.join(self.folder, "no-such-device"))
        if setup is not None:
            with open(self.setup_file, "wb") as f:
                f.write(setup)
        if prepare is not None:
            prepare(self.folder)
        self.display = display
        self.args = list(args(self.binary) if callable(args) else args)
        self.preexec = preexec
        self.process = None
        self.start()

    def start(self):
        """Starts the program (again, once it has ended) in its folder."""
        if self.process is not None and self.process.stderr:
            self.process.stderr.close()
        env = dict(self.display.env, QT_QPA_PLATFORM="xcb")
        self.process = subprocess.Popen([self.binary] + self.args, cwd=self.folder, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        preexec_fn=self.preexec)
        self.window = None

    @property
    def setup_file(self):
        return os.path.join(self.folder, "quorvant.ini")

    def visible_windows(self, name):
        """Ids of the program's visible windows whose name matches name."""
        if self.process.poll() is not None:
            raise Failure("the program ended: "
                          + self.process.stderr.read().decode(errors="replace"))
        result = self.display.run("xdotool", "search", "--all", "--onlyvisible", "--pid",
                                  str(self.process.pid), "--name", name, check=False)
        return result.stdout.split()

    def find_window(self, timeout=20):
        def search():
            ids = self.visible_windows(WINDOW_TITLE_WORD)
            return ids[0] if ids else None
        self.window = wait_for(search, timeout, "the main window")
        return self.window

    def window_name(self):
        return self.display.run("xdotool", "getwindowname", self.window).stdout.rstrip("\n")

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        out = self.display.run("xdotool", "getwindowgeometry", "--shell", self.window).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))

    def dialog_point(self, x_du, y_du):
        """Window pixel of a point given in dialog units."""
        _, _, width, height = self.geometry()
        return (round(x_du * width / DIALOG_WIDTH_DU), round(y_du * height / DIALOG_HEIGHT_DU))

    def dialog_rect(self, x_du, y_du, w_du, h_du):
        left, top = self.dialog_point(x_du, y_du)
        right, bottom = self.dialog_point(x_du + w_du, y_du + h_du)
        return left, top, right - left, bottom - top

    def focus(self):
        # No window manager runs: the pointer over the window and the input
        # focus set directly make the keys go there.
        _, _, width, height = self.geometry()
        self.display.run("xdotool", "mousemove", "--window", self.window,
                         str(width // 2), str(height // 2))
        self.display.run("xdotool", "windowfocus", "--sync", self.window)

    def click_dialog(self, x_du, y_du):
        x, y = self.dialog_point(x_du, y_du)
        self.display.run("xdotool", "mousemove", "--window", self.window, str(x), str(y),
                         "click", "1")

    def key(self, *keys):
        self.display.run("xdotool", "key", "--clearmodifiers", *keys)

    def screenshot(self, path):
        self.display.screenshot(path, self.window)

    def region_mean(self, rect):
        """Mean brightness (0..1) of a window region, from a fresh screenshot."""
        path = os.path.join(self.folder, "shot.png")
        self.screenshot(path)
        x, y, w, h = rect
        out = self.display.run("convert", path, "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                               "+repage", "-format", "%[fx:mean]", "info:").stdout
        return float(out)

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Timeout("the program did not end")

    def close(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process.stderr:
            self.process.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)


# --- What the program sends and writes.

# A setup file reader that cut each line into pieces of this many bytes took
# the start of every piece for the start of a line.
OLD_SETUP_PIECE = 179


def crafted_command_argument(before):
    """A program argument without blanks that would turn into settings once it
    stands in the setup file's "LastCommand=" line after the text before
    (the program's path and a blank, lower-cased): "selected_mac=2" and
    "mac2=0016a4a0b842" start the second and third 179-byte pieces of that
    line, and line ends of its own follow with more settings."""
    used = len("LastCommand=") + len(before)
    argument = "x" * (OLD_SETUP_PIECE - used) + "selected_mac=2"
    argument += "x" * (2 * OLD_SETUP_PIECE - used - len(argument)) + "mac2=0016a4a0b842"
    argument += "\r\nmac1=0016a4a0b847\r\nselected_mac=1\r\nmac3=0016a4a0b843"
    if used >= OLD_SETUP_PIECE:
        raise Failure("the program's path is too long for the crafted command line")
    return argument


def stored_command_line(command_line):
    """The "LastCommand" value the setup file holds for a command line:
    lower-cased, with each control character in its 0xNN form."""
    return "".join("0x%02X" % ord(c) if ord(c) < 0x20 or ord(c) == 0x7F else c
                   for c in command_line.lower()).encode()


STREAM_HEAD = b"abcdefghijklmnopqrstuvwxyz--LINE="
STREAM_LINE = 80


def stream_line_problems(data):
    """Checks received test stream data: whole lines, consecutive numbers,
    the marker where the number puts it and a matching checksum. None when
    all is well, else what is wrong."""
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


def whole_stream_lines(data):
    """The whole test stream lines in data, from the first line start on."""
    start = data.find(STREAM_HEAD)
    if start < 0:
        return b""
    end = start + (len(data) - start) // STREAM_LINE * STREAM_LINE
    return data[start:end]


def setup_file_problems(data, program_name, last_command):
    """Checks a setup file as the program writes it with its defaults:
    program_name as its header names the program, last_command a pattern
    of the LastCommand value. None when all is well, else what is wrong."""
    lines = data.split(b"\r\n")
    if lines[-1] != b"" or any(b"\n" in line or b"\r" in line for line in lines):
        return "the lines do not all end in CR LF: %r" % data
    expected = [
        rb"==\[ SETUP FILE FOR " + re.escape(program_name.upper().encode()) + rb" \]==", b"",
        rb"\[RS232\]", b"COMPORT=1", b"COMBAUD=115200", b"COMPARI=E", b"COMBITS=8",
        b"COMSTOP=1", b"", rb"\[ACCESS\]", rb"LastAccess=\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d",
        b"LastCommand=" + last_command, b"", rb"\[HELP\]", b"LANGUAGE=D", b"",
        rb"\[BLUETOOTH\]", b"SELECTED_MAC=0",
    ] + [b"MAC%d=" % slot for slot in range(1, 9)]
    if len(lines) - 1 != len(expected):
        return "%d lines instead of %d: %r" % (len(lines) - 1, len(expected), data)
    for line, pattern in zip(lines, expected):
        if not re.fullmatch(pattern, line):
            return "line %r does not match %r" % (line, pattern)
    return None


# --- Wine: registered COM ports and Windows paths.

def registered_com_link(prefix, number):
    """The Unix path that Wine opens for COM<number>, from the prefix's
    machine registry (scripts/wine-prefix.sh PREFIX N=LINKPATH); None when
    the port is not registered."""
    try:
        with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return None
    section = re.search(r"^\[Software\\\\Wine\\\\Ports\][^\n]*\n(.*?)(?:^\[|\Z)", text,
                        re.M | re.S)
    value = section and re.search(r'^"COM%d"="([^"\n]*)"' % number, section.group(1),
                                  re.M | re.I)
    return value.group(1).replace("\\\\", "\\") if value else None


def windows_path(unix_path):
    # A fresh prefix maps drive Z: to the Unix root.
    return "Z:" + unix_path.replace("/", "\\")


def feed_paced(port, data, rate, give_up=30):
    """Writes data at rate bytes a second; returns how far behind the
    schedule the feeder fell at worst. Fails when the program still has not
    taken everything give_up seconds after the schedule's end."""
    start = time.monotonic()
    deadline = start + len(data) / rate + give_up
    sent = worst = 0
    while sent < len(data):
        if time.monotonic() > deadline:
            raise Timeout("the program took %d of %d bytes fed at %d bytes a second"
                          % (sent, len(data), rate))
        due = min(len(data), int((time.monotonic() - start) * rate) + 1)
        while sent < due:
            taken = port.try_write(data[sent:due])
            if taken == 0:
                break
            sent += taken
        worst = max(worst, due - sent)
        time.sleep(0.005)
    return worst


class Feeder:
    """feed_paced on a thread of its own, so that a test acts on the window
    while the stream runs."""

    def __init__(self, line, data, rate):
        self.worst = None
        self.error = None
        self.seconds = len(data) / rate
        self.thread = threading.Thread(target=self._feed, args=(line, data, rate), daemon=True)
        self.started = time.monotonic()
        self.thread.start()

    def _feed(self, line, data, rate):
        try:
            self.worst = feed_paced(line, data, rate)
        except (Failure, OSError) as error:
            self.error = error

    def at(self, seconds):
        """Sleeps until seconds into the stream."""
        time.sleep(max(0.0, self.started + seconds - time.monotonic()))

    def finish(self):
        """How far behind the feeder fell at worst; fails when it could not
        feed everything."""
        self.thread.join(self.seconds + 40)
        if self.thread.is_alive() or self.error is not None:
            raise Failure("the feeder did not finish: %s" % (self.error or "still running"))
        return self.worst

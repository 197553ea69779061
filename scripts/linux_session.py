"""A private X display, a pty wired in as COM1 and the Linux program on both.

Shared by the end-to-end test, the screenshot script and the process
benchmark. The program is copied into a fresh folder with ports/com1 linked to
the slave side of a pty made here, so it never opens a serial device of the
machine. Everything waits for events with deadlines; nothing sleeps blindly.
"""

import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
import tty

WINDOW_TITLE_WORD = "QUORVANTVIEW"
# The main dialog in dialog units; the pixel size of the window gives the
# font's base units back.
DIALOG_WIDTH_DU = 326
DIALOG_HEIGHT_DU = 254


class Timeout(Exception):
    pass


def wait_for(condition, timeout, what, interval=0.05):
    """Polls condition() until it returns something true; returns that."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise Timeout("timed out waiting for " + what)
        time.sleep(interval)


class XvfbDisplay:
    """Xvfb on a display number it picks itself (-displayfd), -noreset."""

    def __init__(self, width=1280, height=1024):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (width, height), "-noreset", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(left, 0))
            if not ready:
                self.close()
                raise Timeout("Xvfb did not report its display")
            chunk = os.read(read_end, 16)
            if not chunk:
                self.close()
                raise RuntimeError("Xvfb ended before it reported its display")
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("WAYLAND_DISPLAY", None)

    def run(self, *args, check=True):
        return subprocess.run(list(args), env=self.env, check=check, capture_output=True,
                              text=True, timeout=30)

    def set_layout(self, layout):
        self.run("setxkbmap", layout)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class PtyLine:
    """The far end of the serial line: the master side of a raw pty."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        tty.setraw(self.slave)
        os.set_blocking(self.master, False)
        self.slave_path = os.ttyname(self.slave)
        self.received = bytearray()

    def write(self, data, timeout=5):
        view = memoryview(data)
        deadline = time.monotonic() + timeout
        while view:
            try:
                written = os.write(self.master, view)
                view = view[written:]
            except BlockingIOError:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise Timeout("the program does not take the bytes written to it")
                select.select([], [self.master], [], left)

    def try_write(self, data):
        """Writes what the line takes now; returns the count (0 when full)."""
        try:
            return os.write(self.master, data)
        except BlockingIOError:
            return 0

    def pump(self, wait=0.0):
        """Moves what the program sent into self.received; returns the count."""
        ready, _, _ = select.select([self.master], [], [], wait)
        if not ready:
            return 0
        total = 0
        while True:
            try:
                chunk = os.read(self.master, 65536)
            except (BlockingIOError, OSError):
                break
            if not chunk:
                break
            self.received += chunk
            total += len(chunk)
        return total

    def take(self):
        data = bytes(self.received)
        self.received.clear()
        return data

    def wait_received(self, predicate, timeout, what):
        deadline = time.monotonic() + timeout
        while not predicate(bytes(self.received)):
            left = deadline - time.monotonic()
            if left <= 0:
                raise Timeout("timed out waiting for %s; received %r" % (what, bytes(self.received)[:200]))
            self.pump(min(left, 0.2))
        return bytes(self.received)

    def drain(self, quiet=0.3, timeout=5):
        """Discards what arrives until the line has been quiet for a while."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.pump(quiet) == 0:
                break
        self.received.clear()

    def close(self):
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass


class ProgramRun:
    """The program copied into a temporary folder, with COM1 on a pty (or on
    port_target, a path that must not be a serial device of the machine)."""

    def __init__(self, binary, display, line, port_target=None):
        self.folder = tempfile.mkdtemp(prefix="quorvant-run-")
        self.binary = os.path.join(self.folder, "quorvant")
        shutil.copy2(binary, self.binary)
        os.mkdir(os.path.join(self.folder, "ports"))
        target = port_target if port_target is not None else line.slave_path
        os.symlink(target, os.path.join(self.folder, "ports", "com1"))
        self.display = display
        env = dict(display.env, QT_QPA_PLATFORM="xcb")
        self.process = subprocess.Popen([self.binary], cwd=self.folder, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.window = None

    @property
    def setup_file(self):
        return os.path.join(self.folder, "quorvant.ini")

    def visible_windows(self, name):
        """Ids of the program's visible windows whose name matches name."""
        if self.process.poll() is not None:
            raise RuntimeError("the program ended: "
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
        self.display.run("import", "-window", self.window, path)

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

#!/usr/bin/env python3
"""The setup file survives SIGKILL at any moment of start-up.

Every start reads the setup file and writes it anew. The real program is
started offscreen (COM1 linked to a pty of the test's own) and killed at a
random moment of its start, again and again, in the two ways a save can go:

- the setup folder read-only, the file writable: the file is rewritten in
  place;
- both writable: a side file is written and renamed over the file.

After every kill the file must hold the settings whole, as the program's
reader sees them (every key from its first line), with the user's mode
(0600) kept. The program runs as the user "nobody" when the test runs as
root, who may write any folder. As an installed program (its own folder not
writable) it keeps the setup file in $XDG_CONFIG_HOME/quorvant/.

Usage: setup_kill_e2e.py PATH_TO_QUORVANT [--kills N]
"""

import argparse
import os
import pty
import random
import select
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

NOBODY = 65534
CALIBRATION_TIMEOUT = 20
# Kills spread over this many times the start's own time to its save, so
# that some land before, many during and some after it.
SPREAD = 1.5

SETTINGS = [("COMPORT", "1"), ("COMBAUD", "9600"), ("COMPARI", "O"), ("COMBITS", "7"),
            ("COMSTOP", "2"), ("LANGUAGE", "E"), ("SELECTED_MAC", "3"),
            ("MAC1", "0123456789AB"), ("MAC2", ""), ("MAC3", "BA9876543210"), ("MAC4", ""),
            ("MAC5", ""), ("MAC6", ""), ("MAC7", ""), ("MAC8", "")]


class Failure(Exception):
    pass


def initial_file():
    lines = ["==[ SETUP FILE FOR QUORVANT ]==", "", "[RS232]"]
    lines += ["%s=%s" % kv for kv in SETTINGS[:5]]
    lines += ["", "[ACCESS]", "LastAccess=01.01.26 00:00:00", "LastCommand=quorvant",
              "", "[HELP]", "LANGUAGE=E", "", "[BLUETOOTH]"]
    lines += ["%s=%s" % kv for kv in SETTINGS[6:]]
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def first_values(data):
    """Each key's value from its first line, as the program's reader takes it."""
    values = {}
    for raw in data.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n"):
        line = raw[:179].decode("latin-1")
        key, sep, value = line.partition("=")
        if not sep:
            continue
        key = key.rstrip(" \t").upper()
        value = value.lstrip(" \t")
        end = next((i for i, c in enumerate(value) if not " " <= c <= "~"), len(value))
        values.setdefault(key, value[:end])
    return values


def problems(path):
    info = os.lstat(path)
    if not stat.S_ISREG(info.st_mode):
        return "not a regular file"
    if stat.S_IMODE(info.st_mode) != 0o600:
        return "mode %o" % stat.S_IMODE(info.st_mode)
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"==[ SETUP FILE FOR QUORVANT ]==\r\n"):
        return "header %r" % data[:40]
    values = first_values(data)
    for key, expected in SETTINGS + [("LASTACCESS", None), ("LASTCOMMAND", None)]:
        if key.upper() not in values:
            return "no %s" % key
        if expected is not None and values[key.upper()] != expected:
            return "%s=%r" % (key, values[key.upper()])
    return None


class Rig:
    def __init__(self, binary):
        self.root = os.geteuid() == 0
        self.base = tempfile.mkdtemp(prefix="quorvant-kill-")
        os.chmod(self.base, 0o755)
        self.bin = os.path.join(self.base, "bin")
        os.mkdir(self.bin)
        self.program = os.path.join(self.bin, "quorvant")
        shutil.copy2(binary, self.program)
        self.config = os.path.join(self.base, "config")
        self.folder = os.path.join(self.config, "quorvant")
        os.makedirs(os.path.join(self.folder, "ports"))
        self.setup = os.path.join(self.folder, "quorvant.ini")
        self.home = os.path.join(self.base, "home")
        self.runtime = os.path.join(self.base, "runtime")
        for folder in (self.home, self.runtime):
            os.mkdir(folder, 0o700)
        self.master, slave = pty.openpty()
        self.slave_name = os.ttyname(slave)
        os.close(slave)
        os.symlink(self.slave_name, os.path.join(self.folder, "ports", "com1"))
        with open(self.setup, "wb") as f:
            f.write(initial_file())
        os.chmod(self.setup, 0o600)
        if self.root:
            for path in (self.home, self.runtime, self.setup, self.slave_name):
                os.chown(path, NOBODY, NOBODY)
        # The program's own folder is not the user's: it runs installed.
        if not self.root:
            os.chmod(self.bin, 0o555)
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.home, "LANG": "C.UTF-8",
                    "XDG_CONFIG_HOME": self.config, "XDG_RUNTIME_DIR": self.runtime,
                    "QT_QPA_PLATFORM": "offscreen"}

    def folder_writable(self, writable):
        if self.root:
            os.chown(self.folder, NOBODY if writable else 0, NOBODY if writable else 0)
            os.chmod(self.folder, 0o755)
        else:
            os.chmod(self.folder, 0o755 if writable else 0o555)

    def become_user(self):
        if self.root:
            os.setgid(NOBODY)
            os.setuid(NOBODY)

    def start(self):
        return subprocess.Popen([self.program], env=self.env, cwd=self.home,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, preexec_fn=self.become_user)

    def drain(self):
        """Whatever the program sent to COM1 before it died."""
        try:
            while True:
                ready, _, _ = select.select([self.master], [], [], 0)
                if not ready:
                    return
                os.read(self.master, 4096)
        except OSError:
            return

    def close(self):
        os.close(self.master)
        os.chmod(self.bin, 0o755)
        os.chmod(self.folder, 0o755)
        shutil.rmtree(self.base, ignore_errors=True)


def identity(path):
    info = os.lstat(path)
    return (info.st_ino, info.st_mtime_ns, info.st_size)


def calibrate(rig):
    """How long a start takes to its save."""
    before = identity(rig.setup)
    started = time.monotonic()
    process = rig.start()
    try:
        while identity(rig.setup) == before:
            if process.poll() is not None:
                raise Failure("the program ended with %s before it saved" % process.returncode)
            if time.monotonic() - started > CALIBRATION_TIMEOUT:
                raise Failure("no save within %d s" % CALIBRATION_TIMEOUT)
            time.sleep(0.002)
        return time.monotonic() - started
    finally:
        process.kill()
        process.wait()


def kill_run(rig, kills, writable, rng):
    rig.folder_writable(writable)
    took = calibrate(rig)
    problem = problems(rig.setup)
    if problem:
        raise Failure("after a whole start the setup file is wrong: %s" % problem)
    changed = 0
    for kill in range(1, kills + 1):
        before = identity(rig.setup)
        delay = rng.uniform(0, SPREAD * took)
        process = rig.start()
        time.sleep(delay)
        process.send_signal(signal.SIGKILL)
        process.wait()
        rig.drain()
        if identity(rig.setup) != before:
            changed += 1
        problem = problems(rig.setup)
        if problem:
            raise Failure("kill %d at %.0f ms (%s): %s" % (
                kill, delay * 1000, "folder writable" if writable else "in place", problem))
    return took, changed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--kills", type=int, default=300)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    rig = Rig(os.path.abspath(args.binary))
    try:
        for writable in (False, True):
            started = time.monotonic()
            took, changed = kill_run(rig, args.kills, writable, rng)
            print("%s: %d kills within %.0f ms of start (a start saves after %.0f ms), "
                  "%d of them after the file had changed; whole every time (%.0f s)" % (
                      "folder writable" if writable else "folder read-only, in place",
                      args.kills, SPREAD * took * 1000, took * 1000, changed,
                      time.monotonic() - started))
    except Failure as failure:
        print("FAIL (seed %d): %s" % (seed, failure))
        return 1
    finally:
        rig.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

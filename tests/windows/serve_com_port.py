#!/usr/bin/env python3
"""Plays the far end of a COM port for a Windows test program run under Wine.

    serve_com_port.py --port N -- COMMAND...

Port N must be registered in $WINEPREFIX (scripts/wine-prefix.sh PREFIX
N=LINKPATH). The link is pointed at the slave of a fresh pty, COMMAND runs with
QUORVANT_TEST_COM=N and QUORVANT_TEST_CONTROL=<a Windows path of a folder>,
and every byte the program sends comes straight back (a loop-back plug).

The program asks for a hang-up by creating the file "hangup" in that folder:
the line is dropped (the old slave sees a hang-up), the link is pointed at a
new pty, and the file is removed when the new line is ready.

The exit code is the program's; 2 when the port cannot be served.
"""

import argparse
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile

POLL_SECONDS = 0.01
READ_CHUNK = 65536


def fail(message):
    print("serve_com_port: " + message, file=sys.stderr)
    sys.exit(2)


def registered_link(prefix, port):
    """The Unix path that Wine opens for COM<port>, from the prefix's registry."""
    try:
        with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError as error:
        fail(f"cannot read the registry of {prefix}: {error}")
    section = re.search(r"^\[Software\\\\Wine\\\\Ports\][^\n]*\n(.*?)(?:^\[|\Z)", text, re.M | re.S)
    value = section and re.search(rf'^"COM{port}"="([^"\n]*)"', section.group(1), re.M | re.I)
    if not value:
        fail(f"COM{port} is not registered in {prefix}; "
             f"create it with scripts/wine-prefix.sh {prefix} {port}=LINKPATH")
    return value.group(1).replace("\\\\", "\\")


def windows_path(unix_path):
    # A fresh prefix maps drive Z: to the Unix root.
    return "Z:" + unix_path.replace("/", "\\")


class Line:
    """One pty pair behind the link, echoing what the program writes."""

    def __init__(self, link):
        # The slave keeps the kernel's cooked defaults: the program's own line
        # settings have to make the line carry every byte value unchanged.
        self.master, self.slave = os.openpty()
        os.set_blocking(self.master, False)
        # Holding the slave ourselves keeps the line up while the program
        # closes and re-opens the port.
        temporary = link + ".new"
        if os.path.lexists(temporary):
            os.unlink(temporary)
        os.symlink(os.ttyname(self.slave), temporary)
        os.replace(temporary, link)
        self.pending = bytearray()

    def pump(self):
        want_write = [self.master] if self.pending else []
        readable, writable, _ = select.select([self.master], want_write, [], POLL_SECONDS)
        if readable:
            try:
                self.pending += os.read(self.master, READ_CHUNK)
            except BlockingIOError:
                pass
            except OSError:
                pass  # no open slave at this moment
        if writable and self.pending:
            try:
                written = os.write(self.master, self.pending)
                del self.pending[:written]
            except BlockingIOError:
                pass

    def close(self):
        os.close(self.master)
        os.close(self.slave)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        fail("no program to run")
    prefix = os.environ.get("WINEPREFIX")
    if not prefix:
        fail("WINEPREFIX is not set")

    # ctest ends a test that runs too long with SIGTERM: clean up all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    link = registered_link(prefix, args.port)
    control = tempfile.mkdtemp(prefix="quorvant-com%u-" % args.port)
    hangup = os.path.join(control, "hangup")
    line = Line(link)
    env = dict(os.environ, QUORVANT_TEST_COM=str(args.port),
               QUORVANT_TEST_CONTROL=windows_path(control))
    program = subprocess.Popen(command, env=env)
    try:
        while program.poll() is None:
            line.pump()
            if os.path.exists(hangup):
                line.close()
                line = Line(link)
                os.unlink(hangup)
        return program.returncode
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        line.close()
        if os.path.islink(link):
            os.unlink(link)
        shutil.rmtree(control, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Plays the far end of a COM port for a Windows test program run under Wine.

    serve_com_port.py --port N -- COMMAND...

Port N must be registered in $WINEPREFIX (scripts/wine-prefix.sh PREFIX
N=LINKPATH). The link is pointed at the slave of a fresh pty, COMMAND runs with
QUORVANT_TEST_COM=N and QUORVANT_TEST_CONTROL=<a Windows path of a folder>,
and every byte the program sends comes straight back (a loop-back plug).

The program asks for a hang-up by creating the file "hangup" in that folder:
the line is dropped (the old slave sees a hang-up), the link is pointed at a
new pty, and the file is removed when the new line is ready. The file "hold"
makes the far end stop reading, as a peer that no longer takes bytes, and
"release" makes it read again; "send" holding a count makes it send that
many bytes of a stream whose byte i is i % 251. Each file is removed once
that is done.

The exit code is the program's; 2 when the port cannot be served.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import quorvant_harness as qh  # noqa: E402

POLL_SECONDS = 0.01


def fail(message):
    print("serve_com_port: " + message, file=sys.stderr)
    sys.exit(2)


def loop_back(link):
    # The slave keeps the kernel's cooked defaults: the program's own line
    # settings have to make the line carry every byte value unchanged.
    line = qh.PtyLine(raw_slave=False, echo=True)
    line.link(link)
    return line


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
    link = qh.registered_com_link(prefix, args.port)
    if not link:
        fail(f"COM{args.port} is not registered in {prefix}; "
             f"create it with scripts/wine-prefix.sh {prefix} {args.port}=LINKPATH")
    control = tempfile.mkdtemp(prefix="quorvant-com%u-" % args.port)
    hangup = os.path.join(control, "hangup")
    hold = os.path.join(control, "hold")
    release = os.path.join(control, "release")
    send = os.path.join(control, "send")
    line = loop_back(link)
    env = dict(os.environ, QUORVANT_TEST_COM=str(args.port),
               QUORVANT_TEST_CONTROL=qh.windows_path(control))
    program = subprocess.Popen(command, env=env)
    try:
        while True:
            try:
                return program.wait(POLL_SECONDS)
            except subprocess.TimeoutExpired:
                pass
            if os.path.exists(hangup):
                line.close()
                line = loop_back(link)
                os.unlink(hangup)
            if os.path.exists(hold):
                line.hold()
                os.unlink(hold)
            if os.path.exists(release):
                line.resume()
                os.unlink(release)
            if os.path.exists(send):
                with open(send) as f:
                    count = int(f.read() or 0)
                line.write((bytes(range(251)) * (count // 251 + 1))[:count], timeout=30)
                os.unlink(send)
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        line.close()
        shutil.rmtree(control, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

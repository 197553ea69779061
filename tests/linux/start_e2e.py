#!/usr/bin/env python3
"""How the Linux program answers the command lines a new user tries first,
each on a copy of it in a scratch folder (so that its setup file and ports/
lie there):

- -h and -? print the same help as --help and exit 0, without a display;
- with no display at all it says so in one line naming DISPLAY and
  WAYLAND_DISPLAY and exits 1, before Qt would abort, leaving no file;
- a device path or a COM name says in one line how a port is picked, and
  the program then starts as usual (offscreen, COM1 on a pty of its own);
- the toolkit takes no options from the command line: "-platform offscreen"
  still shows the window on the display.

Usage: start_e2e.py PATH_TO_QUORVANT
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))
import quorvant_harness as qh  # noqa: E402

START_TIMEOUT = 20


def bare_env(folder, **extra):
    """No display of any kind, nothing of the caller's session."""
    return dict({"PATH": "/usr/bin:/bin", "HOME": folder, "LANG": "C.UTF-8"}, **extra)


def run(program, args, env):
    return subprocess.run([program] + args, env=env, capture_output=True, text=True, timeout=10,
                          cwd=os.path.dirname(program))


def check_help_options(program, folder):
    reference = run(program, ["--help"], bare_env(folder))
    qh.check(reference.returncode == 0 and reference.stdout.startswith("Usage: quorvant"),
             "--help: exit %d, %r" % (reference.returncode, reference.stdout[:80]))
    for option in ("-h", "-?"):
        result = run(program, [option], bare_env(folder))
        qh.check(result.returncode == 0 and result.stderr == "",
                 "%s: exit %d, stderr %r" % (option, result.returncode, result.stderr))
        qh.check(result.stdout == reference.stdout, "%s printed %r" % (option, result.stdout[:80]))


def check_no_display(program, folder):
    before = sorted(os.listdir(folder))
    # Set but empty counts as unset, as it does for Qt.
    for env in (bare_env(folder), bare_env(folder, DISPLAY="", WAYLAND_DISPLAY="")):
        result = run(program, [], env)
        lines = result.stderr.splitlines()
        qh.check(result.returncode == 1, "no display: exit %d, stderr %r"
                 % (result.returncode, result.stderr))
        qh.check(len(lines) == 1 and "DISPLAY" in lines[0] and "WAYLAND_DISPLAY" in lines[0],
                 "no display: stderr %r" % result.stderr)
        qh.check(result.stdout == "", "no display: stdout %r" % result.stdout)
    qh.check(sorted(os.listdir(folder)) == before,
             "a start without display left files: %s" % sorted(os.listdir(folder)))


def check_port_argument(program, folder, argument):
    """Starts, says how to pick a port, and records the command line."""
    setup = os.path.join(folder, "quorvant.ini")
    if os.path.exists(setup):
        os.remove(setup)
    line = qh.PtyLine()
    line.link(os.path.join(folder, "ports", "com1"))
    process = subprocess.Popen([program, argument],
                               env=bare_env(folder, QT_QPA_PLATFORM="offscreen"), cwd=folder,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        def started():
            qh.check(process.poll() is None, "the program ended with %s" % process.returncode)
            return os.path.isfile(setup) and os.path.getsize(setup) > 0
        qh.wait_for(started, START_TIMEOUT, "the setup file after %s" % argument)
    finally:
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        line.close()
    first = process.stderr.readline()
    process.stderr.close()
    qh.check(argument in first and "port settings dialog" in first and "ports/com" in first,
             "%s: the first line on stderr is %r" % (argument, first))


def check_toolkit_options(binary):
    display = qh.XvfbDisplay()
    line = qh.PtyLine()
    program = qh.LinuxProgram(binary, display, line, args=("-platform", "offscreen"))
    try:
        try:
            program.find_window()
        except qh.Timeout:
            qh.check(False, "-platform offscreen hid the window: Qt read the command line")
    finally:
        program.close()
        line.close()
        display.close()


def main(binary):
    folder = tempfile.mkdtemp(prefix="quorvant-start-")
    try:
        program = os.path.join(folder, "quorvant")
        shutil.copy2(binary, program)
        os.mkdir(os.path.join(folder, "ports"))
        check_help_options(program, folder)
        check_no_display(program, folder)
        for argument in ("/dev/ttyUSB0", "COM3"):
            check_port_argument(program, folder, argument)
        check_toolkit_options(binary)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("start_e2e: -h and -?, no display, a port argument and toolkit options answer as "
          "expected")


if __name__ == "__main__":
    try:
        main(os.path.abspath(sys.argv[1]))
    except qh.Failure as failure:
        print("FAIL: %s" % failure)
        sys.exit(1)

#!/usr/bin/env python3
"""A virtual null-modem cable between two programs on one machine.

Two pty pairs; the slave end of each is linked at a path of its own (for
example ports/com1 beside each program), and every byte written into one
end comes out of the other, both ways. A real null-modem cable also
crosses the modem lines (DTR to DSR and DCD, RTS to CTS); a Linux pty has
no modem lines at all, so here the lines are not carried, and each program
shows its inputs off.

Each direction buffers at most MAX_PENDING bytes; beyond that the relay
stops reading that side until the other end takes some, so a program that
is not yet running holds the sender back instead of losing its bytes.

Usage: tools/null_modem.py LINK_A LINK_B
It prints "ready" once both links are in place and relays until it gets
SIGTERM or SIGINT; then the links lead nowhere, as an unplugged cable.
"""

import os
import select
import signal
import sys
import tty

MAX_PENDING = 1 << 16
READ_CHUNK = 4096


def point_link(link, target):
    """Points the symlink link at target in one step, so that a program
    opening it never finds it missing."""
    temporary = link + ".new"
    if os.path.lexists(temporary):
        os.unlink(temporary)
    os.symlink(target, temporary)
    os.replace(temporary, link)


class PtyEnd:
    """One pty pair. It keeps its own slave open, so the master never sees a
    hang-up while the program closes and re-opens the port."""

    def __init__(self, link):
        self.master, self.slave = os.openpty()
        tty.setraw(self.master)
        tty.setraw(self.slave)
        os.set_blocking(self.master, False)
        self.slave_path = os.ttyname(self.slave)
        self.link = link
        point_link(link, self.slave_path)
        self.pending = bytearray()  # read here, not yet written to the other end

    def close(self):
        # The link stays, leading nowhere: without it the program would fall
        # back to the machine's own device of that number (COM1 is ttyS0),
        # and the pty's number is free for the next pty anyone makes.
        if os.path.islink(self.link) and os.readlink(self.link) == self.slave_path:
            point_link(self.link, self.link + "-unplugged")
        os.close(self.master)
        os.close(self.slave)


class NullModem:
    def __init__(self, link_a, link_b):
        self.a = PtyEnd(link_a)
        self.b = PtyEnd(link_b)
        self.running = True

    def run(self):
        pairs = ((self.a, self.b), (self.b, self.a))
        while self.running:
            readers = [src.master for src, _ in pairs if len(src.pending) < MAX_PENDING]
            writers = [dst.master for src, dst in pairs if src.pending]
            try:
                readable, writable, _ = select.select(readers, writers, [], 0.2)
            except InterruptedError:
                continue
            for src, dst in pairs:
                if src.master in readable:
                    try:
                        src.pending += os.read(src.master, READ_CHUNK)
                    except (BlockingIOError, InterruptedError):
                        pass
                if src.pending and dst.master in writable:
                    try:
                        del src.pending[:os.write(dst.master, src.pending)]
                    except (BlockingIOError, InterruptedError):
                        pass

    def stop(self, *_):
        self.running = False

    def close(self):
        self.a.close()
        self.b.close()


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    modem = NullModem(argv[1], argv[2])
    signal.signal(signal.SIGTERM, modem.stop)
    signal.signal(signal.SIGINT, modem.stop)
    print("ready", flush=True)
    try:
        modem.run()
    finally:
        modem.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

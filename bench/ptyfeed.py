#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The board end of a pseudo-terminal for the benches: Korvel opens the slave through [Ports], this
script holds the master, writes board output into it and throws away what Korvel sends back.

  ptyfeed.py [--link PATH] --mode idle|burst|flood [--bytes N] [--status FILE]

Prints the slave's path on stdout, then waits for SIGUSR1 before it writes anything, so the caller
can first see Korvel hold the terminal open. burst writes --bytes of listing text once, then holds
the terminal; flood writes as fast as the terminal takes it until SIGTERM. --status gets a line
"bytes=N seconds=S" whenever a burst is done and, for flood, once a second. SIGTERM ends it.
"""
import argparse
import errno
import os
import select
import signal
import sys
import time
import tty

# The same statements as the shared rx bench, so the figures compare.
BODIES = [
    'PRINT "HELLO WORLD"',
    "FOR I=1 TO 100",
    "A=A+I*2",
    "IF A>1000 THEN GOTO 100",
    "PRINT USING(###.##),A",
    "NEXT I",
    "X=XBY(0E000H) : DBY(30H)=X.AND.0FH",
    "REM *** BASIC-52 BURST TEST ***",
    "GOSUB 1000",
    "ONTIME 5,2000",
    'PRINT "T=",TIME," V=",ADC',
    "RETURN",
]


def listing(nbytes, first=0):
    """Whole listing lines, line numbers going up and wrapping before 65535, at most nbytes."""
    out, total, i = [], 0, first
    while True:
        line = ("%d %s\r\n" % (10 + i % 65526, BODIES[i % len(BODIES)])).encode()
        if total + len(line) > nbytes and out:
            return b"".join(out), i
        out.append(line)
        total += len(line)
        i += 1


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--link")
    ap.add_argument("--mode", choices=["idle", "burst", "flood"], default="idle")
    ap.add_argument("--bytes", type=int, default=2 * 1024 * 1024)
    ap.add_argument("--status")
    args = ap.parse_args()

    master, slave = os.openpty()
    # Raw on both ends: no echo back into the master, no CR/LF translation. The slave stays open
    # here, so the master never reads EIO while Korvel has it closed.
    tty.setraw(master)
    tty.setraw(slave)
    path = os.ttyname(slave)
    if args.link:
        if os.path.islink(args.link):
            os.unlink(args.link)
        os.symlink(path, args.link)
    print(path, flush=True)

    state = {"go": False, "stop": False}
    signal.signal(signal.SIGUSR1, lambda *_: state.update(go=True))
    signal.signal(signal.SIGTERM, lambda *_: state.update(stop=True))
    signal.signal(signal.SIGINT, lambda *_: state.update(stop=True))

    os.set_blocking(master, False)
    next_line = 0
    pending = b""
    if args.mode == "burst":
        pending, _ = listing(args.bytes)
    written, started, last_status = 0, None, 0.0

    def status(final=False):
        if args.status and started is not None:
            with open(args.status + ".tmp", "w") as f:
                f.write("bytes=%d seconds=%.3f%s\n" % (written, time.monotonic() - started, " done" if final else ""))
            os.replace(args.status + ".tmp", args.status)

    while not state["stop"]:
        want_write = state["go"] and (args.mode == "flood" or pending)
        try:
            readable, writable, _ = select.select([master], [master] if want_write else [], [], 1.0)
        except InterruptedError:
            continue
        if master in readable:
            try:
                os.read(master, 65536)  # whatever Korvel typed; nobody looks at it
            except OSError as e:
                if e.errno not in (errno.EAGAIN, errno.EIO):
                    raise
        if master in writable:
            if started is None:
                started = time.monotonic()
            if args.mode == "flood" and not pending:
                # Fresh line numbers every block, so the terminal never shows the same screen twice.
                pending, next_line = listing(64 * 1024, next_line)
            try:
                n = os.write(master, pending)
            except BlockingIOError:
                n = 0
            written += n
            pending = pending[n:]
            if args.mode == "burst" and not pending:
                status(final=True)
        if args.mode == "flood" and started is not None and time.monotonic() - last_status >= 1.0:
            last_status = time.monotonic()
            status()
    if args.mode == "flood":
        status(final=True)
    if args.link and os.path.islink(args.link):
        os.unlink(args.link)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Holds a tty exclusively (TIOCEXCL), as another program using the port would.

hold-port.py TTY HELD_MARKER [RELEASE_MARKER]
Creates HELD_MARKER once the hold is in place; lets go when killed, or once RELEASE_MARKER exists
(and after a minute at most, so that a test that died cannot leave the port held), and then
removes RELEASE_MARKER.
"""
import fcntl
import os
import select
import signal
import sys
import termios
import time

fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
fcntl.ioctl(fd, termios.TIOCEXCL)
open(sys.argv[2], "w").close()
if len(sys.argv) > 3:
    release = sys.argv[3]
    deadline = time.monotonic() + 60
    while not os.path.exists(release) and time.monotonic() < deadline:
        select.select([], [], [], 0.05)
else:
    signal.sigwait({signal.SIGTERM, signal.SIGINT})
# The flag outlives this descriptor while Wine keeps the line open: clear it on the way out.
fcntl.ioctl(fd, termios.TIOCNXCL)
os.close(fd)
if len(sys.argv) > 3 and os.path.exists(sys.argv[3]):
    os.remove(sys.argv[3])  # tells the test the port is free again

#!/usr/bin/env python3
"""Holds a tty exclusively (TIOCEXCL), as another program using the port would, until killed."""
import fcntl
import os
import signal
import sys
import termios

fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
fcntl.ioctl(fd, termios.TIOCEXCL)
open(sys.argv[2], "w").close()
signal.sigwait({signal.SIGTERM, signal.SIGINT})

#!/usr/bin/env python3
"""The paced cable's transmit queue as a program on Linux sees it: what a write to a paced pty end
takes at once, how long it takes to leave at the line's settings, and what the output count, a
purge and a drain make of it. (The serial engine's test under Wine sees only what arrives.)

paced_test.py MODEM_LINES_DIR WORKDIR    (MODEM_LINES_DIR: the library and its modem-lines tool)
"""
import errno
import fcntl
import os
import select
import struct
import subprocess
import sys
import termios
import time
import tty

MODEM_LINES, WORK = sys.argv[1], os.path.abspath(sys.argv[2])
STATE = os.path.join(WORK, "modem-lines")
opened = []  # every pty descriptor a test opens, closed after it


def paced_end(speed, stop_bits=1):
    """A pty end on a paced cable at SPEED 8N1 (or 8N2), and its master, where its bytes arrive."""
    master, end = os.openpty()
    other_master, other = os.openpty()
    opened.extend([master, end, other_master, other])
    tty.setraw(end)
    settings = termios.tcgetattr(end)
    settings[4] = settings[5] = speed
    settings[2] &= ~termios.CSTOPB
    if stop_bits == 2:
        settings[2] |= termios.CSTOPB
    termios.tcsetattr(end, termios.TCSANOW, settings)
    subprocess.run([os.path.join(MODEM_LINES, "modem-lines"), "wire", STATE, os.ttyname(end), os.ttyname(other),
                    "--paced"], check=True)
    return end, master


def queued(end):
    return struct.unpack("i", fcntl.ioctl(end, termios.TIOCOUTQ, b"\0" * 4))[0]


def arrive(master, count, seconds=10):
    """What arrives at the master until COUNT bytes have, or nothing more comes for SECONDS."""
    received = b""
    while len(received) < count and select.select([master], [], [], seconds)[0]:
        received += os.read(master, count - len(received))
    return received


def test_a_byte_takes_its_start_data_and_stop_bits_at_the_output_speed():
    end, master = paced_end(termios.B2400, stop_bits=2)
    started = time.monotonic()
    os.write(end, bytes(range(96)))
    assert arrive(master, 96) == bytes(range(96)), "not all, or not in order"
    # 96 bytes of 11 bits at 2400 baud: 440 ms; at 9600, or without the second stop bit, far less.
    elapsed = time.monotonic() - started
    assert elapsed >= 0.43, f"arrived after {elapsed:.3f} s"


def test_a_write_returns_at_once_and_the_output_count_holds_what_has_not_left():
    end, master = paced_end(termios.B9600)
    os.write(end, b"x" * 960)
    # A second at 960 bytes a second: half of it cannot have left yet.
    assert queued(end) > 480, f"{queued(end)} queued: the write waited for the line"
    assert len(arrive(master, 960)) == 960
    assert queued(end) == 0


def test_a_transmit_purge_drops_what_has_not_left_and_an_input_purge_keeps_it():
    for purge in (lambda end: termios.tcflush(end, termios.TCOFLUSH),
                  lambda end: fcntl.ioctl(end, termios.TCFLSH, termios.TCIOFLUSH)):
        end, master = paced_end(termios.B9600)
        os.write(end, b"x" * 960)
        termios.tcflush(end, termios.TCIFLUSH)
        assert queued(end) > 0, "an input purge dropped the output"
        purge(end)
        assert queued(end) == 0
        assert len(arrive(master, 960, seconds=0.2)) < 960, "the purged bytes still went out"


def test_a_drain_returns_once_everything_written_has_left():
    for drain in (termios.tcdrain, lambda end: fcntl.ioctl(end, termios.TCSBRK, 1)):
        end, master = paced_end(termios.B9600)
        started = time.monotonic()
        os.write(end, b"x" * 96)
        drain(end)
        elapsed = time.monotonic() - started
        assert elapsed >= 0.09, f"drained after {elapsed:.3f} s: 96 bytes take 100 ms"
        assert queued(end) == 0, "the drain returned with bytes still queued"
        assert len(arrive(master, 96)) == 96


def test_a_full_queue_takes_what_fits_then_refuses_a_non_blocking_write():
    end, _ = paced_end(termios.B9600)
    os.set_blocking(end, False)
    taken = os.write(end, b"x" * 8192)
    assert 0 < taken < 8192, f"{taken} taken"
    try:
        os.write(end, b"x")
        raise AssertionError("a write to a full queue was taken")
    except BlockingIOError as error:
        assert error.errno == errno.EAGAIN


def main():
    if os.environ.get("QUORVEX_MODEM_LINES") != STATE:
        os.makedirs(WORK, exist_ok=True)
        if os.path.exists(STATE):
            os.unlink(STATE)
        preload = dict(os.environ, QUORVEX_MODEM_LINES=STATE,
                       LD_PRELOAD=os.path.join(MODEM_LINES, "$LIB", "libquorvex-modem-lines.so"))
        return subprocess.run([sys.executable, __file__] + sys.argv[1:], env=preload, check=False).returncode
    failed = 0
    for name, test in list(globals().items()):
        if name.startswith("test_"):
            try:
                test()
                print(f"ok: {name}")
            except AssertionError as error:
                failed += 1
                print(f"FAIL: {name}: {error}")
            while opened:
                os.close(opened.pop())
    print("paced cable: all passed" if failed == 0 else f"paced cable: {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

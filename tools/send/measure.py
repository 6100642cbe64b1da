#!/usr/bin/env python3
"""How long quorvex-send takes from its start to the last byte of one frame at the far end, on a
pty and on a loopback TCP port, over many runs: median, 90th percentile and the quickest.

measure.py SENDER [RUNS]      (e.g. tools/send/measure.py build/native/quorvex-send 300)
"""
import os
import select
import socket
import statistics
import subprocess
import sys
import time

SENDER = sys.argv[1]
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 200


def until_last_byte(line, far_end_reads):
    began = time.perf_counter()
    sender = subprocess.Popen([SENDER, line, "mute"])
    got = b""
    while len(got) < 5:
        got += far_end_reads()
    arrived = time.perf_counter()
    assert sender.wait() == 0
    return (arrived - began) * 1000


def on_a_pty():
    master, slave = os.openpty()  # the slave stays open, so the master never reads EIO
    path = os.ttyname(slave)

    def far_end_reads():
        select.select([master], [], [])
        return os.read(master, 64)

    return [until_last_byte(path, far_end_reads) for _ in range(RUNS)]


def on_loopback_tcp():
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    line = f"tcp:127.0.0.1:{server.getsockname()[1]}"
    times = []
    for _ in range(RUNS):
        client = []

        def far_end_reads():
            if not client:
                client.append(server.accept()[0])
            return client[0].recv(64)

        times.append(until_last_byte(line, far_end_reads))
        client[0].close()
    return times


for name, measure in (("pty", on_a_pty), ("loopback TCP", on_loopback_tcp)):
    times = sorted(measure())
    print(f"{name:>12}: median {statistics.median(times):.2f} ms, 90% within {times[int(len(times) * 0.9)]:.2f} ms, "
          f"quickest {times[0]:.2f} ms ({RUNS} runs)")

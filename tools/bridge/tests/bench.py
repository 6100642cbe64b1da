"""What the bridge's tests share: virtual cables (socat pty pairs) with the simulator on the far
end, the bridge started on one, its HTTP API, and the ending of everything started, by PID.

Every test program takes: BRIDGE SIMULATOR SENDER WORKDIR
"""
import http.client
import json
import os
import re
import resource
import shutil
import signal
import socket
import subprocess
import sys
import time

BRIDGE, SIMULATOR, SENDER, WORK = sys.argv[1], sys.argv[2], sys.argv[3], os.path.abspath(sys.argv[4])

# The device's command table as documented: name, code, frame on the wire.
TABLE = [
    ("standby", "DE", "47 44 45 67 0A"),
    ("mode-switch", "98", "47 39 38 67 0A"),
    ("resolution-switch", "DB", "47 44 42 67 0A"),
    ("audio-1", "C8", "47 43 38 67 0A"),
    ("audio-2", "C0", "47 43 30 67 0A"),
    ("audio-3", "99", "47 39 39 67 0A"),
    ("audio-4", "C6", "47 43 36 67 0A"),
    ("mute", "88", "47 38 38 67 0A"),
    ("single-screen-switch", "55", "47 35 35 67 0A"),
    ("single-screen-1", "EF", "47 45 46 67 0A"),
    ("single-screen-2", "EE", "47 45 45 67 0A"),
    ("single-screen-3", "ED", "47 45 44 67 0A"),
    ("single-screen-4", "EC", "47 45 43 67 0A"),
    ("quad-split", "DF", "47 44 46 67 0A"),
    ("h-layout", "D9", "47 44 39 67 0A"),
    ("two-way-split-switch", "CC", "47 43 43 67 0A"),
    ("two-way-split-1-2", "EB", "47 45 42 67 0A"),
    ("two-way-split-3-4", "EA", "47 45 41 67 0A"),
    ("one-large-three-small-switch", "9F", "47 39 46 67 0A"),
    ("one-large-three-small-1", "E8", "47 45 38 67 0A"),
    ("one-large-three-small-2", "E7", "47 45 37 67 0A"),
    ("one-large-three-small-3", "E6", "47 45 36 67 0A"),
    ("one-large-three-small-4", "E5", "47 45 35 67 0A"),
]
FRAME = {name: frame for name, _, frame in TABLE}

started = []  # every process a test starts, ended by its PID at the end


def start(*command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=None):
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr, text=True,
                               preexec_fn=preexec_fn)
    started.append(process)
    return process


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
    process.wait(10)


def wait_until(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.01)
    return True


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as file:
            return file.read()
    except FileNotFoundError:
        return ""


class Cable:
    """A virtual null-modem cable: the bridge's end, and the simulator's on the far end."""

    def __init__(self, name):
        self.name, self.near, self.far = name, os.path.join(WORK, name + "-a"), os.path.join(WORK, name + "-b")
        self.log = os.path.join(WORK, name + ".log")
        self.lay()

    def lay(self):
        self.socat = start("socat", f"pty,raw,echo=0,link={self.near}", f"pty,raw,echo=0,link={self.far}")
        assert wait_until(lambda: os.path.exists(self.near) and os.path.exists(self.far)), "socat made no cable"
        if os.path.exists(self.log):
            os.rename(self.log, self.log + f".{time.monotonic_ns()}")
        self.simulator = start(SIMULATOR, "--no-picture", "--log", self.log, os.path.realpath(self.far))
        assert wait_until(lambda: "listening" in read(self.log)), "the simulator did not start"

    def cut(self):
        stop(self.socat)
        stop(self.simulator)

    def frames(self):
        """Everything the simulator saw on the line, frame by frame: frames, noise, torn frames."""
        return re.findall(r"^\S+  (?!sent|could not send).*  \[([0-9A-F ]+)\]$", read(self.log), re.M)

    def frame_times(self):
        """(seconds since midnight, bytes) of each frame the simulator saw."""
        times = []
        for h, m, s, frame in re.findall(r"^(\d\d):(\d\d):(\d\d\.\d{3})  .*  \[([0-9A-F ]+)\]$", read(self.log), re.M):
            times.append((int(h) * 3600 + int(m) * 60 + float(s), frame))
        return times


def raise_open_files():
    """This process's soft limit on open files up to its hard one, for tests that open thousands."""
    resource.setrlimit(resource.RLIMIT_NOFILE, (resource.getrlimit(resource.RLIMIT_NOFILE)[1],) * 2)


class Bridge:
    """The bridge on LINE, or on the lines the options name (--line NAME=LINE) when LINE is None;
    `files` (soft, hard) starts it with those limits on open files."""

    def __init__(self, line, *options, listen="127.0.0.1:0", files=None):
        limit = (lambda: resource.setrlimit(resource.RLIMIT_NOFILE, files)) if files else None
        self.process = start(BRIDGE, "--listen", listen, *options, *([line] if line else []), stdout=subprocess.PIPE,
                             preexec_fn=limit)
        self.start_line = self.process.stdout.readline().strip()
        found = re.match(r"http://[^/]+:(\d+)/(?: raw tcp:127\.0\.0\.1:(\d+))?", self.start_line)
        assert found, f"the bridge's start line: {self.start_line!r}"
        self.port = int(found.group(1))
        self.raw_port = int(found.group(2)) if found.group(2) else None

    def request(self, method, path, body=None, headers=None):
        """(status, JSON answer) of one request on a connection of its own."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=120)
        try:
            connection.request(method, path, body=body, headers=headers or {})
            response = connection.getresponse()
            data = response.read()
            return response.status, json.loads(data) if data else None
        finally:
            connection.close()

    def exchange(self, data, seconds=30):
        """Everything the bridge answers to DATA, sent as it stands, until it closes the connection."""
        with socket.create_connection(("127.0.0.1", self.port)) as client:
            client.settimeout(seconds)
            client.sendall(data)
            answer = b""
            while chunk := client.recv(65536):
                answer += chunk
            return answer

    def post(self, path, body=None, headers=None):
        return self.request("POST", path, body, headers)

    def state(self):
        status, state = self.request("GET", "/api/state")
        assert status == 200, state
        return state

    def memory_kb(self):
        return int(re.search(r"^VmRSS:\s+(\d+)", read(f"/proc/{self.process.pid}/status"), re.M).group(1))

    def stop(self):
        stop(self.process)

    def stop_within(self, seconds):
        """SIGTERM; True when the bridge has ended within `seconds`."""
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(seconds)
            return True
        except subprocess.TimeoutExpired:
            return False


def run(tests):
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    failed = 0
    try:
        for test in tests:
            try:
                test()
                print(f"ok: {test.__name__}", flush=True)
            except AssertionError as error:
                failed += 1
                print(f"FAIL: {test.__name__}: {error}", flush=True)
    finally:
        for process in reversed(started):
            stop(process)
    print("all passed" if failed == 0 else f"{failed} failed")
    return 1 if failed else 0

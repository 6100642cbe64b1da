#!/usr/bin/env python3
"""quorvex-send end to end: against the multiviewer simulator on a virtual cable (a socat pty pair)
and behind a TCP port on loopback, on a pty of its own to read the line as it set it, and each bad
input once with its exit code, its message and nothing sent; a line whose output is stopped, a
server that takes nothing and one that hangs up, each a failure in bounded time; a paced line that
gets every frame before the sender ends; --help and --version of the sender and the simulator.

send_test.py SENDER SIMULATOR WORKDIR MODEM_LINES_DIR
(MODEM_LINES_DIR: the modem-line library for ptys and its tool, to see DTR and RTS.)
"""
import fcntl
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import termios
import threading
import tty
import time

SENDER, SIMULATOR, WORK, MODEM_LINES = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3]), sys.argv[4]
HOLD_PORT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../tests/bench/hold-port.py")

# The device's command table: the documented name, the code, the frame on the wire.
TABLE = [
    ("single-screen-1", "EF", "47 45 46 67 0A"),
    ("single-screen-2", "EE", "47 45 45 67 0A"),
    ("single-screen-3", "ED", "47 45 44 67 0A"),
    ("single-screen-4", "EC", "47 45 43 67 0A"),
    ("one-large-three-small-1", "E8", "47 45 38 67 0A"),
    ("one-large-three-small-2", "E7", "47 45 37 67 0A"),
    ("one-large-three-small-3", "E6", "47 45 36 67 0A"),
    ("one-large-three-small-4", "E5", "47 45 35 67 0A"),
    ("two-way-split-1-2", "EB", "47 45 42 67 0A"),
    ("two-way-split-3-4", "EA", "47 45 41 67 0A"),
    ("single-screen-switch", "55", "47 35 35 67 0A"),
    ("two-way-split-switch", "CC", "47 43 43 67 0A"),
    ("one-large-three-small-switch", "9F", "47 39 46 67 0A"),
    ("mode-switch", "98", "47 39 38 67 0A"),
    ("resolution-switch", "DB", "47 44 42 67 0A"),
    ("quad-split", "DF", "47 44 46 67 0A"),
    ("h-layout", "D9", "47 44 39 67 0A"),
    ("audio-1", "C8", "47 43 38 67 0A"),
    ("audio-2", "C0", "47 43 30 67 0A"),
    ("audio-3", "99", "47 39 39 67 0A"),
    ("audio-4", "C6", "47 43 36 67 0A"),
    ("mute", "88", "47 38 38 67 0A"),
    ("standby", "DE", "47 44 45 67 0A"),
]

started = []  # every process this test starts, ended by its PID at the end
held_open = []  # connections a test server keeps open and unread until the test ends


def start(*command):
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    started.append(process)
    return process


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


def cable(name):
    """A virtual null-modem cable: the real paths of its two pty ends."""
    ends = [os.path.join(WORK, name + "-a"), os.path.join(WORK, name + "-b")]
    start("socat", f"pty,raw,echo=0,link={ends[0]}", f"pty,raw,echo=0,link={ends[1]}")
    assert wait_until(lambda: all(os.path.exists(end) for end in ends)), "socat made no cable"
    return [os.path.realpath(end) for end in ends]


def simulator(name, *line):
    log = os.path.join(WORK, name + ".log")
    start(SIMULATOR, "--no-picture", "--log", log, *line)
    assert wait_until(lambda: "listening" in read(log)), "the simulator did not start"
    return log


def logged_frames(log):
    """Everything the simulator saw on the line, frame by frame: frames, noise, torn frames."""
    return re.findall(r"^\S+  (?!sent|could not send).*  \[([0-9A-F ]+)\]$", read(log), re.M)


def send(*arguments, user=None, timeout=30):
    command = [SENDER, *arguments]
    if user is not None:  # as nobody: root may open anything
        command = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", *command]
    return subprocess.run(command, capture_output=True, text=True, timeout=timeout)


def refused(what, result, code, message):
    assert result.returncode == code, f"{what}: exit {result.returncode}, not {code}: {result.stderr}"
    lines = result.stderr.splitlines()
    assert len(lines) == 1 and message in lines[0], f"{what}: no \"{message}\" in one line of: {result.stderr}"
    assert result.stdout == "", f"{what}: wrote {result.stdout!r}"


def test_every_command_by_name_and_by_code_reaches_the_device_whole_and_in_order(line, log):
    by_name = send("--gap", "0", line, *[name.upper() if i % 3 == 0 else name for i, (name, _, _) in enumerate(TABLE)])
    # Codes as the table writes them, and in lower case.
    by_code = send("--gap", "0", line, *[code if i % 2 else code.lower() for i, (_, code, _) in enumerate(TABLE)])
    assert by_name.returncode == 0 and by_code.returncode == 0, by_name.stderr + by_code.stderr
    expected = [frame for _, _, frame in TABLE] * 2
    assert wait_until(lambda: len(logged_frames(log)) >= len(expected))
    assert logged_frames(log) == expected, logged_frames(log)


def test_help_and_version_of_the_sender_and_the_simulator(*_):
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../CMakeLists.txt")) as root:
        version = re.search(r"^project\(Quorvex VERSION ([0-9.]+)", root.read(), re.M).group(1)
    for program in (SENDER, SIMULATOR):
        name = os.path.basename(program)
        shown = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=10)
        assert shown.returncode == 0 and shown.stdout.startswith(f"usage: {name} "), f"{name} --help: {shown}"
        shown = subprocess.run([program, "--version"], capture_output=True, text=True, timeout=10)
        assert (shown.returncode, shown.stdout) == (0, f"{name} {version}\n"), f"{name} --version: {shown}"


def test_the_list_shows_each_commands_name_code_and_frame_on_its_line(*_):
    listed = send("--list")
    assert listed.returncode == 0, listed.stderr
    rows = listed.stdout.splitlines()[1:]
    assert len(rows) == len(TABLE), listed.stdout
    for name, code, frame in TABLE:
        assert any(re.match(rf"{name}\s+{code}\s+{frame}\s", row) for row in rows), f"no row {name} {code} {frame}"


def test_each_bad_input_is_refused_alone_and_nothing_is_sent(line, log):
    refused("unknown command", send(line, "mute", "quad-splt"), 3,
            'unknown command "quad-splt"; the closest is quad-split')
    # The name a person meant shares its words, though audio-1 is fewer letters away from single-1.
    refused("a shortened name", send(line, "single-1"), 3, "the closest is single-screen-1 ")
    refused("the line after the command", send("mute", line), 2, f'"{line}" is a line, not a command')
    refused("a server's address without tcp:", send("127.0.0.1:4001", "mute"), 2, "written tcp:HOST:PORT")
    refused("no command", send(line), 4, "no command to send")
    refused("no such line", send(os.path.join(WORK, "no-such-tty"), "mute"), 5, "does not exist")
    locked = cable("locked")[0]
    if os.getuid() == 0:
        os.chmod(locked, 0o600)
        result = send(locked, "mute", user="nobody")
    else:
        os.chmod(locked, 0o000)
        result = send(locked, "mute")
    group = subprocess.run(["stat", "-c", "%G", locked], capture_output=True, text=True).stdout.strip()
    refused("no permission", result, 6, f"join its group {group}")
    held = cable("held")[0]
    marker = os.path.join(WORK, "held")
    start(sys.executable, HOLD_PORT, held, marker)
    assert wait_until(lambda: os.path.exists(marker)), "hold-port.py did not hold the line"
    refused("in use", send(held, "mute"), 7, "is in use by another program")
    # Another quorvex-send takes the line with flock, not exclusively.
    with open(line, "rb") as other_sender:
        fcntl.flock(other_sender, fcntl.LOCK_EX)
        refused("locked by another sender", send(line, "mute"), 7, "is in use by another program")
    refused("not a serial line", send("/dev/null", "mute"), 8, "is not a serial line")
    # Whatever rides after the port or hides in the host is refused before any lookup.
    for address in ("tcp:127.0.0.1:4001,crlf", "tcp:bad_host:4001", "tcp:[::1:4001", "tcp:127.0.0.1:0"):
        refused(f"malformed {address}", send(address, "mute"), 2, "a port from 1 to 65535")

    # A bound socket that does not listen answers every connection with a reset.
    with socket.socket() as closed:
        closed.bind(("127.0.0.1", 0))
        refused("refused", send(f"tcp:127.0.0.1:{closed.getsockname()[1]}", "mute"), 9, "refused the connection")
    # An IPv6 address is named as it is written, refused or unreachable where the host has no IPv6.
    result = send("tcp:[::1]:1", "mute")
    assert result.returncode in (9, 10) and "tcp:[::1]:1 " in result.stderr, f"IPv6: {result.stderr}"
    # A listener whose backlog is full drops every further connection request unanswered.
    with socket.socket() as silent, socket.socket() as filler:
        silent.bind(("127.0.0.1", 0))
        silent.listen(0)
        filler.connect(silent.getsockname())
        began = time.monotonic()
        refused("no answer", send(f"tcp:127.0.0.1:{silent.getsockname()[1]}", "mute"), 10, "did not answer")
        assert time.monotonic() - began < 6, "waited too long for a server that does not answer"
    assert logged_frames(log) == [], f"sent despite the bad input: {logged_frames(log)}"


def test_the_line_is_9600_8n1_without_flow_control_while_the_sender_holds_it(*_):
    # The test holds the pty's master: on Linux its settings are those of the sender's end. It
    # keeps the slave open too, or the master reads nothing but EIO until the sender opens it.
    master, slave = os.openpty()
    path = os.ttyname(slave)
    wrong = termios.tcgetattr(master)
    wrong[0] |= termios.IXON | termios.IXOFF
    wrong[2] |= termios.CSTOPB | termios.PARENB | termios.CRTSCTS
    wrong[4] = wrong[5] = termios.B38400
    termios.tcsetattr(master, termios.TCSANOW, wrong)
    sender = subprocess.Popen([SENDER, "--gap", "1000", path, "mute", "mute"], stderr=subprocess.PIPE)
    started.append(sender)
    got, arrivals = b"", []
    while len(got) < 10:
        assert select.select([master], [], [], 10)[0], "the frames stopped"
        got += os.read(master, 64)
        arrivals.append(time.monotonic())
        if len(arrivals) == 1:  # the first frame is out: the line is set
            iflag, _, cflag, _, ispeed, ospeed, _ = termios.tcgetattr(master)
            assert (ispeed, ospeed) == (termios.B9600, termios.B9600), f"speed {ispeed}/{ospeed}"
            assert cflag & termios.CSIZE == termios.CS8 and not cflag & termios.PARENB, "not 8 bits without parity"
            assert not cflag & termios.CSTOPB, "two stop bits"
            assert not cflag & termios.CRTSCTS and not iflag & (termios.IXON | termios.IXOFF), "flow control on"
    assert got == bytes.fromhex("47 38 38 67 0A" * 2), got
    assert arrivals[-1] - arrivals[0] >= 0.9, "no gap between the frames"
    assert sender.wait(10) == 0, sender.stderr.read()
    os.close(slave)
    os.close(master)


def test_dtr_and_rts_are_on_while_the_sender_holds_the_line(*_):
    # Linux gives ptys no modem lines: the preloaded library keeps them in a table, and the
    # cable's far end reads the sender's DTR as DSR and DCD, its RTS as CTS.
    state = os.path.join(WORK, "modem-lines")
    tool = os.path.join(MODEM_LINES, "modem-lines")
    near, far = cable("modem")
    subprocess.run([tool, "wire", state, near, far], check=True)

    def reads(end):
        return subprocess.run([tool, "show", state, end], capture_output=True, text=True, check=True).stdout.split()

    assert reads(far) == ["none"], reads(far)
    far_end = os.open(far, os.O_RDWR | os.O_NOCTTY)
    preload = dict(os.environ, QUORVEX_MODEM_LINES=state,
                   LD_PRELOAD=os.path.join(MODEM_LINES, "$LIB", "libquorvex-modem-lines.so"))
    sender = subprocess.Popen([SENDER, "--gap", "1000", near, "mute", "mute"], env=preload, stderr=subprocess.PIPE)
    started.append(sender)
    assert select.select([far_end], [], [], 10)[0], "no frame came"
    os.read(far_end, 64)
    assert reads(near) == ["DTR", "RTS"], f"the sender's end: {reads(near)}"
    assert reads(far) == ["DSR", "CTS", "DCD"], f"the far end: {reads(far)}"
    assert sender.wait(10) == 0, sender.stderr.read()
    os.close(far_end)


def test_a_line_that_takes_nothing_fails_in_seconds_naming_it_and_drops_what_waits(*_):
    # Another process stopped the line's output, as a wedged adapter holds it: writes block.
    master, slave = os.openpty()
    path = os.ttyname(slave)
    termios.tcflow(slave, termios.TCOOFF)
    began = time.monotonic()
    try:
        result = send("--gap", "0", path, "mute", "mute", timeout=10)
    except subprocess.TimeoutExpired:
        raise AssertionError(f"the sender still waited on {path} after 10 s")
    refused("stopped output", result, 1, path)
    assert time.monotonic() - began < 6, f"took {time.monotonic() - began:.1f} s"
    os.close(slave)
    os.close(master)
    # Bytes that wait in the line when the sender gives up are dropped, or a real adapter's close
    # would wait up to 30 s to send them: here the far end has read none of 8 KiB, and the line's
    # output is stopped after them.
    master, slave = os.openpty()
    path = os.ttyname(slave)
    tty.setraw(master)
    os.set_blocking(slave, False)
    waiting = 0
    try:
        while waiting < 8192:
            waiting += os.write(slave, b"\0" * (8192 - waiting))
    except BlockingIOError:
        pass
    assert waiting > 5000, f"the line took only {waiting} bytes"
    termios.tcflow(slave, termios.TCOOFF)
    refused("stopped output with bytes waiting", send(path, "mute", timeout=10), 1, f"{path} did not send the bytes")
    left = 0
    while select.select([master], [], [], 0.5)[0]:
        left += len(os.read(master, 65536))
    assert left < waiting, f"all {waiting} bytes that waited on the line were still sent"
    os.close(slave)
    os.close(master)


def test_a_paced_line_gets_every_frame_before_the_sender_ends_with_the_default_gap_between(*_):
    # Bytes take 1 ms each on this cable, as on a UART at 9600 baud; what the sender leaves in its
    # transmit queue when it ends is lost, as a real adapter's driver may lose it.
    near, far = cable("paced")
    tool = os.path.join(MODEM_LINES, "modem-lines")
    state = os.path.join(WORK, "modem-lines")
    subprocess.run([tool, "wire", state, near, far, "--paced"], check=True)
    far_end = os.open(far, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(far_end)
    paced = dict(os.environ, QUORVEX_MODEM_LINES=state,
                 LD_PRELOAD=os.path.join(MODEM_LINES, "$LIB", "libquorvex-modem-lines.so"))

    def paced_send(*arguments):
        began = time.monotonic()
        result = subprocess.run([SENDER, *arguments], env=paced, capture_output=True, text=True, timeout=30)
        took = time.monotonic() - began
        assert result.returncode == 0, result.stderr
        got = b""
        while select.select([far_end], [], [], 2)[0]:
            got += os.read(far_end, 4096)
        return took, got

    _, got = paced_send("--gap", "0", near, *[name for name, _, _ in TABLE])
    assert got == bytes.fromhex(" ".join(frame for _, _, frame in TABLE)), f"the far end got {got.hex(' ')}"
    took, got = paced_send(near, "quad-split", "mute", "standby")
    assert got == bytes.fromhex("47 44 46 67 0A 47 38 38 67 0A 47 44 45 67 0A"), f"the far end got {got.hex(' ')}"
    # The usage's default: 200 ms between frames, the panel's pace pressed by hand.
    assert took >= 0.4, f"three frames in {took:.3f} s: less than the default gap between them"
    os.close(far_end)


def unread_server():
    """A TCP port that takes a connection and never reads it: once its small receive buffer is
    full, the sender's bytes stay unacknowledged, as behind a serial server whose line is stuck."""
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1)  # the least Linux allows
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    threading.Thread(target=lambda: held_open.append(listener.accept()[0]), daemon=True).start()
    return listener


def hanging_up_server():
    """A TCP port that takes each connection and closes it at once, as a busy serial server does."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)

    def serve():
        while True:
            try:
                connection, _ = listener.accept()
            except OSError:
                return
            connection.close()
    threading.Thread(target=serve, daemon=True).start()
    return listener


def test_through_a_serial_servers_tcp_port(*_):
    log = simulator("tcp", "--listen", "127.0.0.1:0")
    port = re.search(r"listening on tcp:127\.0\.0\.1:(\d+)", read(log)).group(1)
    with socket.create_connection(("127.0.0.1", int(port))):
        assert wait_until(lambda: "connected" in read(log))
        refused("another client connected", send(f"tcp:127.0.0.1:{port}", "mute"), 9, "no other client")
    assert wait_until(lambda: "left" in read(log))
    result = send(f"tcp:127.0.0.1:{port}", "quad-split", "c0", "standby")
    assert result.returncode == 0, result.stderr
    expected = ["47 44 46 67 0A", "47 43 30 67 0A", "47 44 45 67 0A"]
    assert wait_until(lambda: read(log).count("left") == 2), "the sender did not hang up"
    assert logged_frames(log) == expected, logged_frames(log)
    with unread_server() as server:
        address = "tcp:127.0.0.1:%d" % server.getsockname()[1]
        frames = 1000  # the server's buffer fills after about 230, one acknowledgement each 40 ms
        began = time.monotonic()
        try:
            result = send("--gap", "0", address, *["mute"] * frames, timeout=20)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the sender still waited on {address} after 20 s")
        refused("a server that takes nothing", result, 1, f"{address} did not take the bytes")
        went_out = re.search(r"\((\d+) of %d frames went out before it\)" % frames, result.stderr)
        assert went_out and 0 < int(went_out.group(1)) < frames, f"how many went out: {result.stderr}"
        assert time.monotonic() - began < 15, f"took {time.monotonic() - began:.1f} s"
    with hanging_up_server() as server:
        address = "tcp:127.0.0.1:%d" % server.getsockname()[1]
        refused("a server that hangs up at once", send(address, "DF"), 11, f"{address} hung up")
        refused("a server that hangs up between frames", send(address, "DF", "mute"), 11, f"{address} hung up")


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    failed = 0
    try:
        line, device = cable("device")
        log = simulator("device", device)
        # The bad inputs first, so that the simulator's log holds nothing when they are done.
        tests = [
            test_each_bad_input_is_refused_alone_and_nothing_is_sent,
            test_every_command_by_name_and_by_code_reaches_the_device_whole_and_in_order,
            test_the_line_is_9600_8n1_without_flow_control_while_the_sender_holds_it,
            test_dtr_and_rts_are_on_while_the_sender_holds_the_line,
            test_a_line_that_takes_nothing_fails_in_seconds_naming_it_and_drops_what_waits,
            test_a_paced_line_gets_every_frame_before_the_sender_ends_with_the_default_gap_between,
            test_through_a_serial_servers_tcp_port,
            test_the_list_shows_each_commands_name_code_and_frame_on_its_line,
            test_help_and_version_of_the_sender_and_the_simulator,
        ]
        for test in tests:
            try:
                test(line, log)
                print(f"ok: {test.__name__}")
            except AssertionError as error:
                failed += 1
                print(f"FAIL: {test.__name__}: {error}")
    finally:
        for process in started:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
        for process in started:
            process.wait(10)
    print("quorvex-send: all passed" if failed == 0 else f"quorvex-send: {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

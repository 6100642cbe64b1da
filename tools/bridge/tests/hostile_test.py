#!/usr/bin/env python3
"""quorvex-bridge against hostile clients, grouped by what they attack: slow clients, floods of
connections, bodies, parsing, other sites, ports, a stalled far end, stopping, a serial server that
hangs up. Whatever they do, every other client is served and nothing they sent reaches the line.

hostile_test.py BRIDGE SIMULATOR SENDER WORKDIR
"""
import os
import re
import select
import socket
import subprocess
import sys
import termios
import threading
import time

from bench import BRIDGE, FRAME, Bridge, Cable, raise_open_files, run, start, wait_until


def status(answer):
    found = re.match(rb"HTTP/1\.1 (\d{3}) ", answer)
    return int(found.group(1)) if found else None


def post_request(port, path, headers="", body=b""):
    return (f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n{headers}"
            f"Connection: close\r\n\r\n").encode() + body


def timed_state(bridge):
    began = time.monotonic()
    bridge.state()
    return time.monotonic() - began


def test_slow_clients_hold_no_one_up_and_do_not_delay_the_stop():
    cable = Cable("slow")
    bridge = Bridge(cable.near, "--gap", "0")
    raise_open_files()
    # 200 clients, each sending its headers a byte at a time and never finishing them.
    slow = [socket.create_connection(("127.0.0.1", bridge.port)) for _ in range(200)]
    for client in slow:
        client.sendall(post_request(bridge.port, "/api/commands/mute")[:40])
    done = threading.Event()

    def trickle():
        while not done.wait(0.5):
            for client in slow:
                try:
                    client.sendall(b"X")
                except OSError:
                    pass

    trickler = threading.Thread(target=trickle)
    trickler.start()
    try:
        waits = [timed_state(bridge) for _ in range(5)]
        assert max(waits) < 5, f"/api/state took {waits} s beside 200 slow clients"
        assert bridge.stop_within(10), "still running 10 s after SIGTERM beside 200 slow clients"
    finally:
        done.set()
        trickler.join()
        for client in slow:
            client.close()
    assert cable.frames() == [], cable.frames()
    cable.cut()


def test_a_flood_of_silent_connections_locks_no_one_out():
    cable = Cable("flood")
    raise_open_files()
    # Started with a soft limit of 256 open files and a hard one of 1,000: the bridge raises the
    # first to the second and keeps some for itself, so 1,500 connections are past its cap.
    bridge = Bridge(cable.near, "--gap", "0", files=(256, 1000))
    flood = [socket.create_connection(("127.0.0.1", bridge.port)) for _ in range(1500)]
    try:
        began = time.monotonic()
        assert bridge.post("/api/commands/standby")[0] == 200
        assert time.monotonic() - began < 10, f"answered after {time.monotonic() - began:.1f} s behind the flood"
        counts = bridge.state()["http"]
        assert counts["evicted"] >= 500 and counts["connections"] <= 1000, counts
    finally:
        for client in flood:
            client.close()
    assert wait_until(lambda: cable.frames())
    assert cable.frames() == [FRAME["standby"]], cable.frames()
    bridge.stop()
    cable.cut()


def chunked(body, size=1024):
    pieces = [body[i:i + size] for i in range(0, len(body), size)]
    return b"".join(b"%x\r\n%s\r\n" % (len(piece), piece) for piece in pieces) + b"0\r\n\r\n"


def test_bodies_over_4_kb_are_refused_413_however_framed_and_nothing_is_held():
    cable = Cable("bodies")
    bridge = Bridge(cable.near, "--gap", "0")
    te = "Transfer-Encoding: chunked\r\n"
    padded = b'["quad-split"' + b" " * 5000 + b"]"
    for path, body in (("/api/sequence", padded), ("/api/commands/mute", b"x" * 8192),
                       ("/api/sequence", b'["mute"' + b', "mute"' * 800 + b"]")):
        for framing in (te, f"Content-Length: {len(body)}\r\n"):
            wire = chunked(body) if framing == te else body
            answer = bridge.exchange(post_request(bridge.port, path, framing, wire))
            assert status(answer) == 413 and b'"error"' in answer, f"{path} {framing!r}: {answer[:200]}"
    # A body that never ends is refused once past the limit, not read into memory.
    before = bridge.memory_kb()
    with socket.create_connection(("127.0.0.1", bridge.port)) as client:
        client.settimeout(30)
        client.sendall(post_request(bridge.port, "/api/sequence", te))
        answer = b""
        try:
            for _ in range(4096):
                client.sendall(b"4000\r\n" + b" " * 0x4000 + b"\r\n")
        except OSError:
            pass  # closed by the bridge, as it should be
        try:
            while chunk := client.recv(65536):
                answer += chunk
        except OSError:
            pass
    assert status(answer) in (413, None), answer[:200]
    assert bridge.memory_kb() - before < 20000, f"{bridge.memory_kb() - before} kB more after an endless body"
    # Chunked within the limit is a body like any other.
    answer = bridge.exchange(post_request(bridge.port, "/api/sequence", te, chunked(b'["h-layout"]', 4)))
    assert status(answer) == 200, answer
    assert wait_until(lambda: cable.frames())
    assert cable.frames() == [FRAME["h-layout"]], cable.frames()
    bridge.stop()
    cable.cut()


def test_what_the_parser_refuses_is_400_and_a_name_not_exactly_a_command_is_404():
    cable = Cable("parsing")
    bridge = Bridge(cable.near, "--gap", "0", "--token", "T")
    auth = "Authorization: Bearer T\r\n"
    lenient = [
        "Content-Length: abc\r\n", "Content-Length: +2\r\n", "Content-Length: 2\r\nContent-Length: 3\r\n",
        "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n", "Transfer-Encoding: xchunked\r\n",
        "Transfer-Encoding: identity\r\n", "X-Note: a\0b\r\n", "X-Note: a\r\n folded\r\n",
        "Authorization: Bearer T\0junk\r\n",
    ]
    for headers in lenient:
        answer = bridge.exchange(post_request(bridge.port, "/api/commands/mute", auth + headers, b"ab"))
        assert status(answer) == 400, f"{headers!r}: {answer[:200]}"
    answer = bridge.exchange(post_request(bridge.port, "/api/commands/mute", auth + "X-Pad: " + "a" * 9000 + "\r\n"))
    assert status(answer) == 431, answer[:200]
    for name in ("%ff", "quad-split%00", "quad-split.", "%E2%80%8Bquad-split", "quad-split%20", "quad%2Dsplit%2f",
                 "%", "quad-split/x", "dF%00"):
        answer = bridge.exchange(post_request(bridge.port, f"/api/commands/{name}", auth))
        assert status(answer) == 404 and b'"error"' in answer, f"{name}: {answer[:200]}"
    assert status(bridge.exchange(post_request(bridge.port, "/api/commands/Quad-Split", auth))) == 200
    assert wait_until(lambda: cable.frames())
    assert cable.frames() == [FRAME["quad-split"]], cable.frames()
    bridge.stop()
    cable.cut()


def test_pages_of_other_sites_and_names_of_other_hosts_are_refused():
    cable = Cable("sites")
    # On every address and without a token, as a user may start it: the Host still has to be ours.
    bridge = Bridge(cable.near, "--gap", "0", "--host-name", "panel.example", listen="0.0.0.0:0")
    port = bridge.port
    refused_hosts = ["evil.example", f"evil.example:{port}", "localhost:evil", f"127.0.0.1:{port}.evil.example",
                     "localhost.evil.example", f"localhost.evil.example:{port}", f"localhostevil:{port}", "",
                     f"127.0.0.1:{port}:1", "[::1", "panel.example.evil.example"]
    for host in refused_hosts:
        status_code, answer = bridge.post("/api/commands/mute", None, {"Host": host})
        assert status_code == 403 and answer["error"], f"Host {host!r}: {status_code} {answer}"
    for host in (f"127.0.0.1:{port}", f"localhost:{port}", f"[::1]:{port}", f"panel.example:{port}",
                 f"PANEL.example:{port}", f"192.0.2.7:{port}"):
        assert bridge.request("GET", "/api/state", None, {"Host": host})[0] == 200, host
    here = f"http://127.0.0.1:{port}"
    for headers in ({"Origin": "http://elsewhere.example"}, {"Origin": "null"},
                    {"Referer": "http://elsewhere.example/page"}, {"Referer": here + ".evil.example/"},
                    {"Sec-Fetch-Site": "cross-site"}, {"Sec-Fetch-Site": "same-site"}):
        status_code, answer = bridge.post("/api/commands/mute", None, {"Host": f"127.0.0.1:{port}", **headers})
        assert status_code == 403 and answer["error"], f"{headers}: {status_code} {answer}"
    for headers in ({"Origin": here}, {"Referer": here + "/"}, {"Sec-Fetch-Site": "same-origin"}):
        assert bridge.request("GET", "/api/state", None, {"Host": f"127.0.0.1:{port}", **headers})[0] == 200
    page = bridge.exchange(f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nConnection: close\r\n\r\n".encode())
    head = page.split(b"\r\n\r\n")[0].lower()
    assert b"content-security-policy: frame-ancestors 'none'" in head and b"x-frame-options: deny" in head, head
    assert bridge.post("/api/commands/standby", None, {"Host": f"127.0.0.1:{port}"})[0] == 200
    assert wait_until(lambda: cable.frames())
    assert cable.frames() == [FRAME["standby"]], cable.frames()
    bridge.stop()
    cable.cut()


def start_failure(*arguments):
    """(exit code, stderr) of a bridge that must not start."""
    process = start(BRIDGE, *arguments, "/dev/null", stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        _, error = process.communicate(timeout=20)
    except subprocess.TimeoutExpired:
        return None, "still running after 20 s"
    return process.returncode, error


def test_a_port_in_use_is_refused_at_start_never_shared():
    cable = Cable("ports")
    first = Bridge(cable.near, "--gap", "0")
    code, error = start_failure("--listen", f"127.0.0.1:{first.port}")
    assert code == 1 and f"127.0.0.1:{first.port} is in use by another program" in error, (code, error)
    with socket.socket() as other:
        other.bind(("127.0.0.1", 0))
        other.listen()
        taken = other.getsockname()[1]
        code, error = start_failure("--listen", "127.0.0.1:0", "--raw", f"127.0.0.1:{taken}")
        assert code == 1 and f"127.0.0.1:{taken} is in use by another program" in error, (code, error)
    code, error = start_failure("--listen", "192.0.2.1:8080")
    assert code == 1 and "192.0.2.1:8080" in error and "address" in error.lower(), (code, error)
    first.stop()
    cable.cut()


def test_a_stalled_far_end_loses_nothing_answered_200_and_answers_the_waiting_503():
    # A pty of the test's own: its far end is read here only once the frames are all answered.
    master, slave = os.openpty()
    bridge = Bridge(os.ttyname(slave), "--gap", "0")
    answers, lock = [], threading.Lock()

    def client(count):
        for _ in range(count):
            result = bridge.post("/api/commands/mute")
            with lock:
                answers.append(result)

    threads = [threading.Thread(target=client, args=(250,)) for _ in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert {s for s, _ in answers} == {200}, {s for s, _ in answers}
    # The line's output stops, as a far end's XOFF or a wedged adapter stops it: it takes nothing
    # more, and every request waiting is answered 503 once the line's bound is up.
    termios.tcflow(slave, termios.TCOOFF)
    stalled = [threading.Thread(target=client, args=(1,)) for _ in range(5)]
    for thread in stalled:
        thread.start()
    for thread in stalled:
        thread.join()
    assert [s for s, _ in answers[2000:]] == [503] * 5, [s for s, _ in answers[2000:]]
    termios.tcflow(slave, termios.TCOON)
    assert bridge.post("/api/commands/standby")[0] == 200
    sent = sorted(answer["sent"]["number"] for status_code, answer in answers if status_code == 200)
    assert sent == list(range(1, 2001)), "numbers skipped"
    got = b""
    expected = bytes.fromhex(FRAME["mute"]) * 2000 + bytes.fromhex(FRAME["standby"])
    deadline = time.monotonic() + 30
    while len(got) < len(expected) and select.select([master], [], [], deadline - time.monotonic())[0]:
        got += os.read(master, 65536)
    assert got == expected, f"{len(got)} bytes at the far end, {got.count(bytes.fromhex(FRAME['mute']))} frames"
    bridge.stop()
    os.close(master)
    os.close(slave)


def test_stopping_sends_nothing_more_answers_every_waiting_request_503_and_ends_at_once():
    cable = Cable("stopping")
    bridge = Bridge(cable.near, "--gap", "0")
    answers, lock = [], threading.Lock()

    def post(path, body=None):
        result = bridge.post(path, body)
        with lock:
            answers.append(result)

    holder = threading.Thread(target=post, args=("/api/sequence", '["mute", {"wait": 30000}, "standby"]'))
    holder.start()
    assert wait_until(lambda: bridge.state()["recent"]), "the sequence did not start"
    waiting = [threading.Thread(target=post, args=("/api/commands/h-layout",)) for _ in range(20)]
    for thread in waiting:
        thread.start()
    assert wait_until(lambda: bridge.state()["line"]["waiting"] == 20), bridge.state()["line"]
    began = time.monotonic()
    assert bridge.stop_within(10), "still running 10 s after SIGTERM"
    print(f"ended {time.monotonic() - began:.2f} s after SIGTERM with a 30 s wait and 20 requests waiting")
    for thread in [holder, *waiting]:
        thread.join()
    assert sorted(s for s, _ in answers) == [503] * 21, [s for s, _ in answers]
    sequence = [answer for _, answer in answers if "sent" in answer]
    assert [f["name"] for f in sequence[0]["sent"]] == ["mute"], sequence
    assert cable.frames() == [FRAME["mute"]], cable.frames()
    cable.cut()


class SerialServer:
    """A serial server's raw TCP port on loopback: what each connection brought, and hang-ups on demand."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.connections, self.received, self.hang_up_on_data = [], [], False
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            self.connections.append(connection)
            self.received.append(b"")
            threading.Thread(target=self.read, args=(connection, len(self.received) - 1), daemon=True).start()

    def read(self, connection, index):
        while True:
            try:
                data = connection.recv(4096)
            except OSError:
                return
            if not data:
                return
            self.received[index] += data
            if self.hang_up_on_data:
                connection.close()
                return

    def hang_up(self, index):
        """Shut down first: a plain close waits for the thread still reading on it."""
        try:
            self.connections[index].shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.connections[index].close()

    def close(self):
        self.listener.shutdown(socket.SHUT_RDWR)  # wakes the accepting thread, which a close would not
        self.listener.close()
        for index in range(len(self.connections)):
            self.hang_up(index)


def test_a_serial_server_that_hangs_up_is_called_again_and_only_a_failed_call_is_503():
    server = SerialServer()
    bridge = Bridge(f"tcp:127.0.0.1:{server.port}", "--gap", "0")
    assert bridge.post("/api/commands/mute")[0] == 200
    assert server.received == [bytes.fromhex(FRAME["mute"])], server.received
    server.hang_up(0)  # as a serial server drops a connection idle too long
    status_code, answer = bridge.post("/api/commands/standby")
    assert status_code == 200, answer
    assert wait_until(lambda: server.received[1:] == [bytes.fromhex(FRAME["standby"])]), server.received
    # A server that takes the frame and hangs up at once did not pass it on: not sent.
    server.hang_up_on_data = True
    status_code, answer = bridge.post("/api/commands/audio-2")
    assert status_code == 503 and answer["error"], answer
    server.close()  # no server any more: the call fails
    status_code, answer = bridge.post("/api/commands/audio-3")
    assert status_code == 503 and answer["error"], answer
    assert wait_until(lambda: not bridge.state()["line"]["open"]), bridge.state()["line"]
    bridge.stop()


if __name__ == "__main__":
    sys.exit(run([
        test_slow_clients_hold_no_one_up_and_do_not_delay_the_stop,
        test_a_flood_of_silent_connections_locks_no_one_out,
        test_bodies_over_4_kb_are_refused_413_however_framed_and_nothing_is_held,
        test_what_the_parser_refuses_is_400_and_a_name_not_exactly_a_command_is_404,
        test_pages_of_other_sites_and_names_of_other_hosts_are_refused,
        test_a_port_in_use_is_refused_at_start_never_shared,
        test_a_stalled_far_end_loses_nothing_answered_200_and_answers_the_waiting_503,
        test_stopping_sends_nothing_more_answers_every_waiting_request_503_and_ends_at_once,
        test_a_serial_server_that_hangs_up_is_called_again_and_only_a_failed_call_is_503,
    ]))

#!/usr/bin/env python3
"""quorvex-bridge's HTTP API against the multiviewer simulator on a virtual cable: every command
by name and by code, sequences timed from the simulator's log, the assumed state, every refusal
with nothing sent, a line that goes and comes back, and clients that stall.

api_test.py BRIDGE SIMULATOR SENDER WORKDIR
"""
import base64
import hashlib
import json
import os
import re
import socket
import threading
import subprocess
import sys
import time

from bench import FRAME, SENDER, TABLE, Bridge, Cable, run, wait_until


def listed_commands():
    rows = subprocess.run([SENDER, "--list"], capture_output=True, text=True, check=True).stdout.splitlines()[1:]
    return [re.match(r"^(\S+)\s+(\S\S)\s+((?:[0-9A-F]{2} ){4}[0-9A-F]{2})\s+(.*?)\s{2,}(.*)$", row).groups()
            for row in rows]


def test_the_table_is_the_senders_and_every_command_arrives_whole_by_name_and_by_code():
    cable = Cable("commands")
    bridge = Bridge(cable.near, "--gap", "0")
    status, table = bridge.request("GET", "/api/commands")
    assert status == 200
    assert [(c["name"], c["code"], c["frame"], c["caption"], c["meaning"]) for c in table] == listed_commands()
    assert sorted((c["name"], c["code"], c["frame"]) for c in table) == sorted(TABLE)
    expected = []
    for i, (name, code, frame) in enumerate(TABLE):
        for given in (name.upper() if i % 2 else name, code.lower() if i % 2 else code):
            status, answer = bridge.post(f"/api/commands/{given}")
            assert status == 200 and answer["sent"]["frame"] == frame, f"{given}: {status} {answer}"
            expected.append(frame)
    # As curl -X POST sends it: no body, no Content-Length.
    with socket.create_connection(("127.0.0.1", bridge.port)) as client:
        client.sendall(f"POST /api/commands/h-layout HTTP/1.1\r\nHost: 127.0.0.1:{bridge.port}\r\n"
                       "Connection: close\r\n\r\n".encode())
        answer = b""
        while chunk := client.recv(1000):
            answer += chunk
    assert answer.startswith(b"HTTP/1.1 200"), answer
    expected.append(FRAME["h-layout"])
    assert wait_until(lambda: len(cable.frames()) >= len(expected))
    assert cable.frames() == expected, cable.frames()
    bridge.stop()
    cable.cut()


def test_a_sequence_keeps_its_order_and_its_waits():
    cable = Cable("sequence")
    bridge = Bridge(cable.near, "--gap", "0")
    steps = ["quad-split", {"wait": 400}, "MUTE", "c0", {"wait": 150}, {"wait": 100}, "standby"]
    began = time.monotonic()
    status, answer = bridge.post("/api/sequence", '["quad-split", {"wait": 400}, "MUTE", "c0", {"wait": 150},'
                                                  ' {"wait": 100}, "standby"]')
    assert status == 200, answer
    assert time.monotonic() - began >= 0.65, "answered before the waits were over"
    frames = [FRAME[n] for n in ("quad-split", "mute", "audio-2", "standby")]
    assert [sent["frame"] for sent in answer["sent"]] == frames, answer
    assert wait_until(lambda: len(cable.frames()) == 4)
    times = cable.frame_times()
    assert [frame for _, frame in times] == frames, times
    # The bridge's own times keep every wait and add none; the simulator's, taken as it reads, show each on the wire.
    sent_at = [sent["atMs"] for sent in answer["sent"]]
    sent_gaps = [b - a for a, b in zip(sent_at, sent_at[1:])]
    assert 399 <= sent_gaps[0] < 700 and sent_gaps[1] < 100 and 249 <= sent_gaps[2] < 450, \
        f"sent {sent_gaps} ms apart for {steps}: a wait lost, added, or taken twice"
    gaps = [b[0] - a[0] for a, b in zip(times, times[1:])]
    assert gaps[0] >= 0.35 and gaps[2] >= 0.2, f"gaps {gaps} on the wire for {steps}"
    bridge.stop()
    cable.cut()


def test_the_state_follows_what_was_sent_and_says_it_is_assumed():
    cable = Cable("state")
    bridge = Bridge(cable.near, "--gap", "0")
    state = bridge.state()
    assert state["assumed"] is True and "confirm" in state["note"], state
    assert (state["layout"]["text"], state["audio"]["text"], state["standby"]) == ("quad split", "input 1", False)
    for name in ("single-screen-3", "mute", "standby", "mode-switch", "mode-switch", "two-way-split-switch"):
        assert bridge.post(f"/api/commands/{name}")[0] == 200
    state = bridge.state()
    assert state["layout"] == {"text": "single screen, input 3", "input": 3, "command": "single-screen-3"}, state
    assert state["audio"]["command"] == "mute", state["audio"]
    assert state["audio"]["muted"] is True and state["standby"] is True
    assert state["switches"]["mode"] == 2 and state["switches"]["twoWaySplit"] == 1, state["switches"]
    assert sorted(state["current"]) == ["mute", "single-screen-3"], state["current"]
    assert [f["name"] for f in state["recent"][:3]] == ["two-way-split-switch", "mode-switch", "mode-switch"]
    assert [f["number"] for f in state["recent"]] == [6, 5, 4, 3, 2, 1]
    for _ in range(19):
        assert bridge.post("/api/commands/mute")[0] == 200
    recent = bridge.state()["recent"]
    assert [f["number"] for f in recent] == list(range(25, 5, -1)), "the last 20 frames, newest first"
    bridge.stop()
    cable.cut()


def test_the_gap_and_a_trailing_wait_hold_the_line_and_no_request_overtakes_another():
    cable = Cable("pacing")
    bridge = Bridge(cable.near, "--gap", "300")
    first = bridge.post("/api/commands/mute")[1]["sent"]
    second = bridge.post("/api/commands/standby")[1]["sent"]
    assert second["atMs"] - first["atMs"] >= 299, "two clients' frames closer than the gap"
    sequence = bridge.post("/api/sequence", '["audio-2", {"wait": 1000}]')[1]["sent"]
    after = bridge.post("/api/commands/audio-3")[1]["sent"]
    assert after["atMs"] - sequence[-1]["atMs"] >= 999, "the next client's frame came within the trailing wait"
    # Behind a sequence holding the line, requests go in the order the bridge took them.
    threads = [threading.Thread(target=bridge.post, args=("/api/sequence", '["h-layout", {"wait": 1000}, "quad-split"]'))]
    threads[0].start()
    assert wait_until(lambda: bridge.state()["recent"][0]["name"] == "h-layout")
    for waiting, name in enumerate(("audio-1", "audio-4"), 1):
        threads.append(threading.Thread(target=bridge.post, args=(f"/api/commands/{name}",)))
        threads[-1].start()
        assert wait_until(lambda: bridge.state()["line"]["waiting"] == waiting), bridge.state()["line"]
    for thread in threads:
        thread.join()
    names = ["mute", "standby", "audio-2", "audio-3", "h-layout", "quad-split", "audio-1", "audio-4"]
    assert wait_until(lambda: len(cable.frames()) == len(names))
    times = cable.frame_times()
    assert [frame for _, frame in times] == [FRAME[name] for name in names], times
    # The simulator's times, taken as it reads, within its lateness.
    assert times[1][0] - times[0][0] >= 0.25 and times[3][0] - times[2][0] >= 0.95, times
    bridge.stop()
    cable.cut()


def open_events(port, path="/api/events", headers=""):
    """A WebSocket client's handshake: (socket, the answer's head, its Sec-WebSocket-Key)."""
    key = base64.b64encode(os.urandom(16)).decode()
    client = socket.create_connection(("127.0.0.1", port))
    client.settimeout(30)
    client.sendall(f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                   f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n"
                   f"{headers}\r\n".encode())
    head = b""
    while b"\r\n\r\n" not in head:
        head += client.recv(1)
    return client, head.decode(), key


def received(client, count):
    data = b""
    while len(data) < count:
        chunk = client.recv(count - len(data))
        assert chunk, "the bridge closed the WebSocket"
        data += chunk
    return data


def next_message(client):
    """(opcode, payload) of the next frame from the bridge, which it never masks."""
    first, second = received(client, 2)
    assert second & 0x80 == 0, "a server frame must not be masked"
    size = second & 0x7F
    if size >= 126:
        size = int.from_bytes(received(client, 2 if size == 126 else 8), "big")
    return first & 0x0F, received(client, size)


def send_masked(client, opcode, payload=b""):
    mask = os.urandom(4)
    client.sendall(bytes([0x80 | opcode, 0x80 | len(payload)]) + mask +
                   bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))


def test_events_push_the_state_and_each_frame_sent_to_every_page_with_the_token():
    cable = Cable("events")
    bridge = Bridge(cable.near, "--gap", "0", "--token", "s3/cret")
    for path, headers, expected in (("/api/events", "", "401"), ("/api/events?token=wrong", "", "401"),
                                    ("/api/events?token=s3%2Fcret", "Origin: http://elsewhere.example\r\n", "403")):
        client, head, _ = open_events(bridge.port, path, headers)
        client.close()
        assert head.startswith(f"HTTP/1.1 {expected}"), f"{path} {headers!r}: {head}"
    pages = []
    for path, headers in (("/api/events?token=s3%2Fcret", ""), ("/api/events", "Authorization: Bearer s3/cret\r\n")):
        client, head, key = open_events(bridge.port, path, headers)
        accept = base64.b64encode(hashlib.sha1((key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11").encode()).digest())
        assert head.startswith("HTTP/1.1 101") and f"Sec-WebSocket-Accept: {accept.decode()}" in head, head
        opcode, payload = next_message(client)
        message = json.loads(payload)
        assert opcode == 1 and message["type"] == "state" and message["state"]["recent"] == [], message
        pages.append(client)
    assert bridge.post("/api/commands/single-screen-4", None, {"Authorization": "Bearer s3/cret"})[0] == 200
    for client in pages:
        message = json.loads(next_message(client)[1])
        while message["type"] == "state":  # the line's opening may come after the first state
            message = json.loads(next_message(client)[1])
        assert message["type"] == "sent" and message["frame"]["frame"] == FRAME["single-screen-4"], message
        assert message["state"]["layout"]["text"] == "single screen, input 4", message["state"]["layout"]
    send_masked(pages[0], 9, b"hi")
    assert next_message(pages[0]) == (10, b"hi"), "no pong"
    send_masked(pages[0], 8, b"\x03\xe8")
    assert next_message(pages[0])[0] == 8, "the close was not answered"
    for client in pages:
        client.close()
    bridge.stop()
    cable.cut()


def test_every_refusal_is_json_with_a_message_and_sends_nothing():
    cable = Cable("refusals")
    bridge = Bridge(cable.near, "--gap", "0", "--token", "s3cret")
    auth = {"Authorization": "Bearer s3cret"}
    bad_sequences = [
        "not json", "[]", "{}", '["mute", 5]', '["mute", {"wait": -1}]', '["mute", {"wait": "5"}]',
        '["mute", {"wait": 1.5}]', '["mute", {"wait": 10, "then": 1}]', '["mute", "audio-9"]',
        '[{"wait": 10}]', '["mute", {"wait": 30000}, "mute", {"wait": 30001}, "mute"]',
        '[' + ", ".join(['"mute"'] * 101) + ']',
    ]
    for body in bad_sequences:
        status, answer = bridge.post("/api/sequence", body, auth)
        assert status == 400 and answer["error"], f"{body}: {status} {answer}"
    status, answer = bridge.post("/api/commands/quad-splt", None, auth)
    assert status == 404 and "quad-split" in answer["error"], answer
    for path in ("/api/sequence", "/api/commands/mute"):
        status, answer = bridge.post(path, '["mute"' + ', "mute"' * 800 + "]", auth)
        assert status == 413 and answer["error"], f"{path}: {status} {answer}"
    for headers in ({}, {"Authorization": "Bearer wrong"}, {"Authorization": "s3cret"}):
        status, answer = bridge.post("/api/commands/mute", None, headers)
        assert status == 401 and answer["error"], f"{headers}: {status} {answer}"
    # One frame that is sent marks the end: nothing refused came before it.
    assert bridge.post("/api/commands/standby", None, auth)[0] == 200
    assert wait_until(lambda: cable.frames())
    assert cable.frames() == [FRAME["standby"]], cable.frames()
    bridge.stop()
    cable.cut()


def test_a_gone_line_is_answered_503_and_used_again_when_it_is_back():
    cable = Cable("gone")
    bridge = Bridge(cable.near, "--gap", "0")
    assert bridge.post("/api/commands/mute")[0] == 200
    cable.cut()
    assert wait_until(lambda: not bridge.state()["line"]["open"]), "the bridge did not see the line go"
    status, answer = bridge.post("/api/commands/standby")
    assert status == 503 and answer["error"], answer
    status, answer = bridge.post("/api/sequence", '["quad-split", "audio-3"]')
    assert status == 503 and answer["error"], answer
    cable.lay()
    assert wait_until(lambda: bridge.state()["line"]["open"], 5), "the line was not opened again"
    status, answer = bridge.post("/api/commands/h-layout")
    assert status == 200, answer
    assert wait_until(lambda: cable.frames())
    assert cable.frames() == [FRAME["h-layout"]], cable.frames()
    bridge.stop()
    cable.cut()


def test_an_idle_or_stalled_client_is_dropped_within_seconds_and_sends_nothing():
    cable = Cable("stalled")
    bridge = Bridge(cable.near, "--gap", "0")
    for opening in (b"", b"POST /api/commands/mute HTTP/1.1\r\nHost: 127.0.0.1\r\n"):
        with socket.create_connection(("127.0.0.1", bridge.port)) as client:
            client.sendall(opening)
            client.settimeout(60)
            began, answer = time.monotonic(), b""
            while chunk := client.recv(1000):
                answer += chunk
            assert time.monotonic() - began < 30, f"{opening}: still connected after 30 s"
            assert answer == b"", answer
    assert bridge.post("/api/commands/standby")[0] == 200
    assert wait_until(lambda: cable.frames())
    assert cable.frames() == [FRAME["standby"]], cable.frames()
    bridge.stop()
    cable.cut()


if __name__ == "__main__":
    sys.exit(run([
        test_the_table_is_the_senders_and_every_command_arrives_whole_by_name_and_by_code,
        test_a_sequence_keeps_its_order_and_its_waits,
        test_the_gap_and_a_trailing_wait_hold_the_line_and_no_request_overtakes_another,
        test_events_push_the_state_and_each_frame_sent_to_every_page_with_the_token,
        test_the_state_follows_what_was_sent_and_says_it_is_assumed,
        test_every_refusal_is_json_with_a_message_and_sends_nothing,
        test_a_gone_line_is_answered_503_and_used_again_when_it_is_back,
        test_an_idle_or_stalled_client_is_dropped_within_seconds_and_sends_nothing,
    ]))

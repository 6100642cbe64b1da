#!/usr/bin/env python3
"""quorvex-bridge's HTTP API against the multiviewer simulator on a virtual cable: every command
by name and by code, sequences timed from the simulator's log, the assumed state, every refusal
with nothing sent, a line that goes and comes back, and clients that stall.

api_test.py BRIDGE SIMULATOR SENDER WORKDIR
"""
import re
import socket
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
    # The bridge's own times keep every wait; the simulator's, taken as it reads, within its lateness.
    sent_at = [sent["atMs"] for sent in answer["sent"]]
    sent_gaps = [b - a for a, b in zip(sent_at, sent_at[1:])]
    assert sent_gaps[0] >= 399 and sent_gaps[2] >= 249, f"sent {sent_gaps} ms apart for {steps}"
    gaps = [b[0] - a[0] for a, b in zip(times, times[1:])]
    assert 0.35 <= gaps[0] < 0.55 and gaps[1] < 0.1 and 0.2 <= gaps[2] < 0.4, f"gaps {gaps} for {steps}"
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
    status, answer = bridge.post("/api/commands/mute", None, {**auth, "Origin": "http://elsewhere.example"})
    assert status == 403 and answer["error"], answer
    for host in ("rebound.example", f"127.0.0.1.rebound.example:{bridge.port}"):
        status, answer = bridge.post("/api/commands/mute", None, {**auth, "Host": host})
        assert status == 403 and answer["error"], f"{host}: {status} {answer}"
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
        test_the_state_follows_what_was_sent_and_says_it_is_assumed,
        test_every_refusal_is_json_with_a_message_and_sends_nothing,
        test_a_gone_line_is_answered_503_and_used_again_when_it_is_back,
        test_an_idle_or_stalled_client_is_dropped_within_seconds_and_sends_nothing,
    ]))

#!/usr/bin/env python3
"""How quickly a frame reaches the far end of a pty through quorvex-bridge, in one run: from an HTTP
request to the last byte, from a command published to an MQTT broker (mosquitto, of its own) to the
last byte, and from a raw-port write to the last byte, against quorvex-send's start to last byte and
ser2net forwarding the same frame from its raw TCP port. Median and 99th percentile. Then the bridge
holding 10,000 connections at once: its memory for each, and a plain request's latency meanwhile.
Every server binds loopback only; everything started is ended by its PID.

measure.py NATIVE_BUILD [RUNS]      (e.g. tools/bridge/measure.py build/native 300)
"""
import getpass
import http.client
import json
import os
import random
import re
import resource
import select
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

import paho.mqtt.client as mqtt

BUILD = sys.argv[1]
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 200
FRAME = bytes.fromhex("47 38 38 67 0A")  # mute
started = []


def pty():
    """The far end (the master, read here) and the path of the near end. The slave stays open, so
    the master never reads EIO between two programs' opens."""
    master, slave = os.openpty()
    return master, os.ttyname(slave), slave


def read_frame(master):
    got = b""
    while len(got) < len(FRAME):
        select.select([master], [], [])
        got += os.read(master, 64)
    assert got == FRAME, got


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def connect(port, seconds=10):
    deadline = time.monotonic() + seconds
    while True:
        try:
            connection = socket.create_connection(("127.0.0.1", port))
            connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            return connection
        except ConnectionRefusedError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.01)


def timed(send, master):
    began = time.perf_counter()
    finish = send()
    read_frame(master)
    arrived = time.perf_counter()
    if finish:
        finish()
    return (arrived - began) * 1000


HELD = 10000


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        return int(re.search(r"^VmRSS:\s+(\d+)", status.read(), re.M).group(1))


def state_request(port):
    client = http.client.HTTPConnection("127.0.0.1", port)
    began = time.perf_counter()
    client.request("GET", "/api/state")
    response = client.getresponse()
    response.read()
    client.close()
    assert response.status == 200
    return (time.perf_counter() - began) * 1000


def held_connections(bridge, port):
    """10,000 connections, each with a request begun and not finished, as slow or stalled clients
    hold them: the bridge's memory for each, and GET /api/state's latency meanwhile."""
    resource.setrlimit(resource.RLIMIT_NOFILE, (resource.getrlimit(resource.RLIMIT_NOFILE)[1],) * 2)
    before = resident_kb(bridge.pid)
    held = []
    try:
        for _ in range(HELD):
            client = socket.create_connection(("127.0.0.1", port))
            client.sendall(b"G")  # the request's first byte: its 10 s deadline runs, not the 5 s idle one
            held.append(client)
        latencies = [state_request(port) for _ in range(200)]
        client = http.client.HTTPConnection("127.0.0.1", port)
        client.request("GET", "/api/state")
        open_now = json.loads(client.getresponse().read())["http"]["connections"]
        client.close()
        per_connection = (resident_kb(bridge.pid) - before) * 1024 / HELD
    finally:
        for client in held:
            client.close()
    return per_connection, figures(latencies), open_now


def broker(work):
    """mosquitto on a free loopback port, with a configuration of its own."""
    port = free_port()
    config = os.path.join(work, "mosquitto.conf")
    with open(config, "w") as file:
        file.write(f"user {getpass.getuser()}\nlistener {port} 127.0.0.1\nallow_anonymous true\npersistence false\n")
    started.append(subprocess.Popen(["mosquitto", "-c", config], stderr=subprocess.DEVNULL))
    connect(port).close()
    return port


def mqtt_packet(kind, body):
    """An MQTT packet: its kind, the remaining length (under 128 here) and the body."""
    assert len(body) < 128
    return bytes([kind, len(body)]) + body


def mqtt_string(text):
    return len(text).to_bytes(2, "big") + text


def mqtt_publisher(port):
    """A hub's connection to the broker, kept open, that publishes the command at QoS 0: the bytes a
    hub puts on the wire, with no client library's thread between the clock and the socket."""
    hub = connect(port)
    hub.sendall(mqtt_packet(0x10, mqtt_string(b"MQTT") + bytes([4, 2, 0, 60]) + mqtt_string(b"measure")))
    assert hub.recv(4) == bytes([0x20, 2, 0, 0]), "the broker refused the connection"
    publish = mqtt_packet(0x30, mqtt_string(b"quorvex/bench/command") + b"mute")
    return lambda: hub.sendall(publish)


def wait_online(port):
    online = threading.Event()
    watcher = mqtt.Client(client_id="measure-watch", clean_session=True)
    watcher.on_message = lambda _client, _data, message: message.payload == b"online" and online.set()
    watcher.connect("127.0.0.1", port)
    watcher.subscribe("quorvex/bench/availability")
    watcher.loop_start()
    assert online.wait(10), "the bridge did not come online on the broker"
    watcher.loop_stop()
    watcher.disconnect()


def bridge_ways(work):
    """The bridge on a pty of its own: a way to send by HTTP, one through the MQTT broker, one by its
    raw port; and the bridge's process with its HTTP port."""
    master, path, _ = pty()
    broker_port = broker(work)
    bridge = subprocess.Popen([os.path.join(BUILD, "quorvex-bridge"), "--listen", "127.0.0.1:0", "--raw",
                               "127.0.0.1:0", "--gap", "0", "--mqtt", f"127.0.0.1:{broker_port}", "--name", "bench",
                               path], stdout=subprocess.PIPE, text=True)
    started.append(bridge)
    found = re.match(r"http://127\.0\.0\.1:(\d+)/ raw tcp:127\.0\.0\.1:(\d+)", bridge.stdout.readline())
    http_port, raw_port = int(found.group(1)), int(found.group(2))

    def post():
        client = http.client.HTTPConnection("127.0.0.1", http_port)
        client.request("POST", "/api/commands/mute")

        def answered():
            assert client.getresponse().status == 200
            client.close()

        return answered

    raw = connect(raw_port)
    wait_online(broker_port)
    ways = (post, master), (mqtt_publisher(broker_port), master), (lambda: raw.sendall(FRAME), master)
    return (*ways, (bridge, http_port))


def sender_way():
    master, path, _ = pty()

    def run_sender():
        sender = subprocess.Popen([os.path.join(BUILD, "quorvex-send"), "--gap", "0", path, "mute"])
        return sender.wait

    return run_sender, master


def ser2net_way(work):
    master, path, _ = pty()
    port = free_port()
    ser2net = subprocess.Popen(["ser2net", "-n", "-u", "-P", os.path.join(work, "ser2net.pid"), "-C",
                                f"127.0.0.1,{port}:raw:0:{path}:9600 8DATABITS NONE 1STOPBIT LOCAL"],
                               stderr=subprocess.DEVNULL)
    started.append(ser2net)
    client = connect(port)
    return lambda: client.sendall(FRAME), master


def figures(times):
    times = sorted(times)
    return statistics.median(times), times[min(len(times) - 1, int(len(times) * 0.99))]


def main():
    try:
        with tempfile.TemporaryDirectory() as work:
            http_way, mqtt_way, raw_way, (bridge, http_port) = bridge_ways(work)
            ways = {"bridge HTTP": http_way, "bridge MQTT": mqtt_way, "quorvex-send": sender_way(),
                    "bridge raw port": raw_way, "ser2net raw TCP": ser2net_way(work)}
            # In turns, in a new order each round, so that what else the machine does (and what the
            # way before left running) weighs on each the same.
            times = {name: [] for name in ways}
            order = random.Random(1)
            for _ in range(RUNS):
                for name in order.sample(list(ways), len(ways)):
                    send, master = ways[name]
                    times[name].append(timed(send, master))
            results = {name: figures(t) for name, t in times.items()}
            per_connection, (held_median, held_p99), open_now = held_connections(bridge, http_port)
    finally:
        for process in reversed(started):  # the bridge before the broker it is on
            process.send_signal(signal.SIGTERM)
            process.wait(10)
    print(f"quorvex-bridge: request, publish or write to the frame's last byte at the far end of a pty "
          f"({RUNS} runs each)")
    for name, (median, p99) in results.items():
        print(f"  {name:>16}: median {median:.3f} ms, 99% within {p99:.3f} ms")
    raw_ratio = results["bridge raw port"][0] / results["ser2net raw TCP"][0]
    http_median = results["bridge HTTP"][0]
    print(f"  raw port / ser2net: {raw_ratio:.2f}x (target 1.2x) {'met' if raw_ratio <= 1.2 else 'NOT met'}")
    print(f"  HTTP median {http_median:.3f} ms (target 2 ms) {'met' if http_median <= 2 else 'NOT met'}")
    print(f"quorvex-bridge holding {HELD:,} connections, each with a request begun ({open_now:,} open at the end):")
    print(f"  {per_connection:.0f} bytes of memory for each; GET /api/state meanwhile: median {held_median:.3f} ms, "
          f"99% within {held_p99:.3f} ms (target 10 ms) {'met' if held_p99 <= 10 else 'NOT met'}")


main()

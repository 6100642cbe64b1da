"""What the MQTT tests share: a broker of their own (mosquitto on a free loopback port, with a
configuration and a password file of its own, never the system's service) and a hub on it, as a
room-automation system is: it hears everything under quorvex/ and the discovery prefix.
"""
import json
import os
import socket
import subprocess
import threading

import paho.mqtt.client as mqtt

from bench import WORK, start, stop, wait_until

USER, PASSWORD = "hub", "p4ss word"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def answers(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


class Broker:
    def __init__(self, name):
        self.port = free_port()
        folder = os.path.join(WORK, name)
        os.makedirs(folder, exist_ok=True)
        passwords = os.path.join(folder, "passwords")
        subprocess.run(["mosquitto_passwd", "-c", "-b", passwords, USER, PASSWORD], check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.config = os.path.join(folder, "mosquitto.conf")
        with open(self.config, "w") as file:
            file.write(f"listener {self.port} 127.0.0.1\nallow_anonymous false\npassword_file {passwords}\n"
                       "persistence false\n")
        self.process = None
        self.start()

    def start(self):
        self.process = start("mosquitto", "-c", self.config)
        assert wait_until(lambda: answers(self.port)), f"mosquitto did not listen on {self.port}"

    def stop(self):
        stop(self.process)

    @property
    def address(self):
        return f"127.0.0.1:{self.port}"


class Hub:
    """Every message under quorvex/ and homeassistant/, as (topic, payload, retained), in order."""

    def __init__(self, broker):
        self.lock = threading.Lock()
        self.messages = []
        self.client = mqtt.Client(client_id=f"hub-{os.getpid()}", clean_session=True)
        self.client.username_pw_set(USER, PASSWORD)
        self.client.on_connect = lambda client, *_: client.subscribe([("quorvex/#", 0), ("homeassistant/#", 0)])
        self.client.on_message = self.heard
        self.client.reconnect_delay_set(1, 2)
        self.client.connect("127.0.0.1", broker.port, keepalive=10)
        self.client.loop_start()

    def heard(self, _client, _data, message):
        with self.lock:
            self.messages.append((message.topic, message.payload.decode(errors="replace"), bool(message.retain)))

    def latest(self, topic):
        with self.lock:
            found = [payload for t, payload, _ in self.messages if t == topic]
        return found[-1] if found else None

    def latest_json(self, topic):
        payload = self.latest(topic)
        return json.loads(payload) if payload else None

    def under(self, prefix):
        """The latest payload of each topic under prefix, as JSON."""
        with self.lock:
            return {t: json.loads(p) for t, p, _ in self.messages if t.startswith(prefix) and p}

    def forget(self):
        with self.lock:
            self.messages.clear()

    def publish(self, topic, payload, retain=False):
        info = self.client.publish(topic, payload, qos=0, retain=retain)
        info.wait_for_publish(10)
        assert info.is_published(), f"the hub could not publish on {topic}"

    def close(self):
        self.client.loop_stop()
        self.client.disconnect()

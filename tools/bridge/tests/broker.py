"""What the MQTT tests share: a broker of their own (mosquitto on free loopback ports, plain and
TLS, with a configuration, a password file and a certificate of its own, never the system's
service) and a hub on it, as a room-automation system is: it hears everything under quorvex/ and
the discovery prefix.
"""
import getpass
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


def quietly(*command):
    subprocess.run(command, check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Broker:
    def __init__(self, name):
        self.port, self.tls_port = free_port(), free_port()
        folder = os.path.join(WORK, name)
        os.makedirs(folder, exist_ok=True)
        passwords = os.path.join(folder, "passwords")
        quietly("mosquitto_passwd", "-c", "-b", passwords, USER, PASSWORD)
        # Its own certificate is the CA a client is given: it names 127.0.0.1, as the client checks.
        self.cafile, key = os.path.join(folder, "broker.pem"), os.path.join(folder, "broker.key")
        quietly("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", self.cafile)
        self.config = os.path.join(folder, "mosquitto.conf")
        with open(self.config, "w") as file:
            # As the test's own user: started by root, mosquitto would become a user that cannot read them.
            file.write(f"user {getpass.getuser()}\nallow_anonymous false\npassword_file {passwords}\n"
                       "persistence false\n"
                       f"listener {self.port} 127.0.0.1\n"
                       f"listener {self.tls_port} 127.0.0.1\ncertfile {self.cafile}\nkeyfile {key}\n")
        self.process = None
        self.start()

    def start(self):
        self.process = start("mosquitto", "-c", self.config)
        assert wait_until(lambda: answers(self.port) and answers(self.tls_port)), "mosquitto did not listen"

    def stop(self):
        stop(self.process)

    @property
    def address(self):
        return f"127.0.0.1:{self.port}"

    @property
    def tls_address(self):
        return f"127.0.0.1:{self.tls_port}"


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

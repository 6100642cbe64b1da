#!/usr/bin/env python3
"""Holds three loopback TCP ports that no serial server answers on, and prints them: REFUSING
NO_ANSWER HANGING_UP.

REFUSING is bound but does not listen, so every connection is reset at once. NO_ANSWER listens with
a backlog that one connection fills, so every further connection request is dropped unanswered.
HANGING_UP takes each connection and closes it at once, as a busy serial server does. All are held
until the process is ended, so nothing else can take them.
"""
import signal
import socket
import threading


def hang_up_on_each(listener):
    while True:
        connection, _ = listener.accept()
        connection.close()


refusing = socket.socket()
refusing.bind(("127.0.0.1", 0))
silent = socket.socket()
silent.bind(("127.0.0.1", 0))
silent.listen(0)
filler = socket.create_connection(silent.getsockname())
hanging_up = socket.socket()
hanging_up.bind(("127.0.0.1", 0))
hanging_up.listen(4)
threading.Thread(target=hang_up_on_each, args=(hanging_up,), daemon=True).start()
print(refusing.getsockname()[1], silent.getsockname()[1], hanging_up.getsockname()[1], flush=True)
signal.pause()

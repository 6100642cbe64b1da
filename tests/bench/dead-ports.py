#!/usr/bin/env python3
"""Holds two loopback TCP ports that no serial server answers on, and prints them: REFUSING NO_ANSWER.

REFUSING is bound but does not listen, so every connection is reset at once. NO_ANSWER listens with
a backlog that one connection fills, so every further connection request is dropped unanswered.
Both are held until standard input closes or the process is ended, so nothing else can take them.
"""
import socket
import sys

refusing = socket.socket()
refusing.bind(("127.0.0.1", 0))
silent = socket.socket()
silent.bind(("127.0.0.1", 0))
silent.listen(0)
filler = socket.create_connection(silent.getsockname())
print(refusing.getsockname()[1], silent.getsockname()[1], flush=True)
sys.stdin.read()

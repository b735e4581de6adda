# SPDX-License-Identifier: GPL-3.0-or-later
"""Holds twenty open loopback connections for the given number of seconds, so that every scan of
a benchmarked program has connections to list, classify and turn into rows."""
import socket
import sys
import time

server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(32)
peers = []
for _ in range(20):
    client = socket.create_connection(server.getsockname())
    peers += [client, server.accept()[0]]
time.sleep(float(sys.argv[1]))

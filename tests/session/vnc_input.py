#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Pointer clicks and key presses through a VNC server (wayvnc), for a Wayland session without
uinput. Speaks just enough of the RFB protocol (version 3.8, no authentication) to send input
events; it never asks for the picture.

Usage: vnc_input.py SOCKET ACTION...
  SOCKET        wayvnc's Unix socket (wayvnc --unix-socket)
  click:X,Y[,BUTTON]   moves the pointer to X,Y and clicks BUTTON (left, middle or right)
  move:X,Y      moves the pointer
  key:NAME      presses and releases a key: Up, Down, Left, Right, Return, Escape
  sleep:SECONDS waits
"""

import socket
import struct
import sys
import time

BUTTONS = {"left": 1, "middle": 2, "right": 4}
KEYSYMS = {"Up": 0xFF52, "Down": 0xFF54, "Left": 0xFF51, "Right": 0xFF53,
           "Return": 0xFF0D, "Escape": 0xFF1B}
SECURITY_NONE = 1


def receive(sock, size):
    data = b""
    while len(data) < size:
        chunk = sock.recv(size - len(data))
        if not chunk:
            raise ConnectionError("the VNC server closed the connection")
        data += chunk
    return data


def handshake(sock):
    version = receive(sock, 12)
    if not version.startswith(b"RFB 003."):
        raise ConnectionError(f"not a VNC server: {version!r}")
    sock.sendall(b"RFB 003.008\n")
    (count,) = struct.unpack("B", receive(sock, 1))
    if count == 0:
        (length,) = struct.unpack(">I", receive(sock, 4))
        raise ConnectionError(receive(sock, length).decode(errors="replace"))
    if SECURITY_NONE not in receive(sock, count):
        raise ConnectionError("the VNC server wants authentication")
    sock.sendall(struct.pack("B", SECURITY_NONE))
    (result,) = struct.unpack(">I", receive(sock, 4))
    if result != 0:
        raise ConnectionError("the VNC server refused the connection")
    sock.sendall(struct.pack("B", 1))  # shared
    width, height = struct.unpack(">HH", receive(sock, 4))
    receive(sock, 16)  # pixel format
    (length,) = struct.unpack(">I", receive(sock, 4))
    receive(sock, length)
    return width, height


def pointer(sock, x, y, mask):
    sock.sendall(struct.pack(">BBHH", 5, mask, x, y))


def key(sock, keysym, down):
    sock.sendall(struct.pack(">BBxxI", 4, 1 if down else 0, keysym))


def perform(sock, action):
    kind, _, argument = action.partition(":")
    if kind in ("click", "move"):
        parts = argument.split(",")
        x, y = int(parts[0]), int(parts[1])
        pointer(sock, x, y, 0)
        if kind == "click":
            time.sleep(0.1)
            mask = BUTTONS[parts[2] if len(parts) > 2 else "left"]
            pointer(sock, x, y, mask)
            time.sleep(0.1)
            pointer(sock, x, y, 0)
    elif kind == "key":
        key(sock, KEYSYMS[argument], True)
        time.sleep(0.05)
        key(sock, KEYSYMS[argument], False)
    elif kind == "sleep":
        time.sleep(float(argument))
    else:
        raise ValueError(f"unknown action {action}")
    time.sleep(0.15)


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
        sock.settimeout(10)
        sock.connect(sys.argv[1])
        handshake(sock)
        for action in sys.argv[2:]:
            perform(sock, action)
        # The server handles the events before it sees the connection close.
        time.sleep(0.3)
    return 0


if __name__ == "__main__":
    sys.exit(main())

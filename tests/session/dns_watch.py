#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Timed A lookups sent straight to one name server over UDP, for the container test.

  dns_watch.py cost SERVER ZONE COUNT      COUNT lookups of fresh names under ZONE, one after
                                           another; prints "median MICROSECONDS p90 MICROSECONDS"
  dns_watch.py watch SERVER NAME SECONDS   looks NAME up every 20 ms for SECONDS; prints the
                                           answer each time it changes, with the time it was
                                           asked in milliseconds since the epoch

SERVER is ADDRESS:PORT. An answer is an address, "none" (NXDOMAIN or no address), "refused"
(nothing listens there), "timeout" (no reply within 200 ms) or "rcodeN" (another failure).
"""
import os
import socket
import statistics
import struct
import sys
import time

TIMEOUT = 0.2


def query_packet(ident, name):
    labels = b"".join(bytes([len(part)]) + part.encode() for part in name.split(".") if part)
    return struct.pack("!HHHHHH", ident, 0x0100, 1, 0, 0, 0) + labels + b"\0" + b"\0\1\0\1"


def skip_name(packet, at):
    while True:
        length = packet[at]
        if length >= 0xC0:
            return at + 2
        at += 1 + length
        if length == 0:
            return at


def parse_answer(packet):
    flags, questions, answers = struct.unpack("!HHH", packet[2:8])
    rcode = flags & 0xF
    if rcode == 3:
        return "none"
    if rcode != 0:
        return f"rcode{rcode}"
    at = 12
    for _ in range(questions):
        at = skip_name(packet, at) + 4
    for _ in range(answers):
        at = skip_name(packet, at)
        kind, _, _, length = struct.unpack("!HHIH", packet[at:at + 10])
        at += 10
        if kind == 1 and length == 4:
            return socket.inet_ntoa(packet[at:at + 4])
        at += length
    return "none"


def lookup(server, name):
    ident = int.from_bytes(os.urandom(2), "big")
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.settimeout(TIMEOUT)
        try:
            sock.connect(server)
            sock.send(query_packet(ident, name))
            deadline = time.monotonic() + TIMEOUT
            while True:
                packet = sock.recv(4096)
                if len(packet) >= 12 and struct.unpack("!H", packet[:2])[0] == ident:
                    return parse_answer(packet)
                if time.monotonic() >= deadline:
                    return "timeout"
        except ConnectionRefusedError:
            return "refused"
        except socket.timeout:
            return "timeout"


def cost(server, zone, count):
    times = []
    tag = os.urandom(3).hex()
    for i in range(count):
        started = time.perf_counter_ns()
        answer = lookup(server, f"q{i}-{tag}.{zone}")
        took = (time.perf_counter_ns() - started) // 1000
        if answer in ("none", "refused", "timeout") or answer.startswith("rcode"):
            sys.exit(f"dns_watch.py: q{i}-{tag}.{zone}: {answer}")
        times.append(took)
    times.sort()
    print(f"median {int(statistics.median(times))} p90 {times[(len(times) * 9) // 10 - 1]}")


def watch(server, name, seconds):
    end = time.monotonic() + seconds
    last = None
    while time.monotonic() < end:
        asked = time.time_ns() // 1000000
        answer = lookup(server, name)
        if answer != last:
            print(f"{asked} {answer}", flush=True)
            last = answer
        time.sleep(0.02)


def main():
    if len(sys.argv) != 5 or sys.argv[1] not in ("cost", "watch"):
        sys.exit(__doc__)
    address, _, port = sys.argv[2].rpartition(":")
    server = (address, int(port))
    if sys.argv[1] == "cost":
        cost(server, sys.argv[3], int(sys.argv[4]))
    else:
        watch(server, sys.argv[3], float(sys.argv[4]))


main()

#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The application under many simultaneous connections to distinct addresses: its resident memory
# and CPU per scan while COUNT connections are open, its memory once they have closed, and how
# long it takes to end on SIGTERM.
#
# In a private network namespace (root needed) 198.18.0.0/15 is made local on lo, so every
# address of it answers here. Two python3 processes listen on 0.0.0.0 and two more make COUNT
# connections to as many addresses, held until told to close; the program runs headless with its
# window open (no tray) on the Programs tab, scanning every 2 s, with a fresh data folder. The
# aims: at most 200 MB while the connections are open and, once they closed, within 20 % of the
# program started anew on the same data folder (whose journal now holds an entry for each
# destination), at most 1 s of CPU a scan, SIGTERM answered within 2 s; the exit status is 1 when
# one is missed.
#
#   bench/many_destinations.sh [build] [count]    (defaults build, 20000)
set -u

if [ "${1:-}" != --inside ]; then
    build=$(realpath "${1:-build}")
    count=${2:-20000}
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a private network namespace" >&2; exit 1; }
    [ -x "$build/src/app/nattervane" ] || { echo "$build/src/app/nattervane is missing" >&2; exit 1; }
    exec timeout -k 10 900 unshare -n "$0" --inside "$build" "$count"
fi

build=$2 count=$3
run=$(mktemp -d /tmp/nv-many-XXXXXX)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$run"' EXIT
ip link set lo up
ip route add local 198.18.0.0/15 dev lo
printf '{"quiet":true,"interval":2,"language":"en","showLocal":false,"paused":false}' \
    >"$run/settings.json"

rss() { awk '/^VmRSS:/ { print int($2 / 1024) }' "/proc/$1/status"; }
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
ticks=$(getconf CLK_TCK)

# Two servers and two clients of COUNT / 2 connections each: a process may hold 20,000
# descriptors here.
half=$((count / 2))
for k in 0 1; do
    python3 -c '
import socket, sys
server = socket.create_server(("0.0.0.0", int(sys.argv[1])), backlog=4096)
print("listening", flush=True)
held = []
while True:
    held.append(server.accept()[0])' $((9 + k)) >"$run/server-$k.log" 2>&1 &
    pids+=($!)
done
for _ in $(seq 1 50); do
    [ "$(cat "$run"/server-*.log | grep -c listening)" = 2 ] && break
    sleep 0.1
done
NATTERVANE_HOME=$run QT_QPA_PLATFORM=offscreen "$build/src/app/nattervane" >"$run/app.log" 2>&1 &
app=$!
pids+=("$app")
sleep 10
start=$(rss "$app")
mkfifo "$run/close"
for k in 0 1; do
    python3 -c '
import socket, sys
first, count, port = (int(word) for word in sys.argv[1:4])
held = []
for n in range(first, first + count):
    held.append(socket.create_connection(("198.18.%d.%d" % (n // 250, 1 + n % 250), port)))
print("open", flush=True)
open(sys.argv[4]).read()
for connection in held:
    connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\1\0\0\0\0\0\0\0")
    connection.close()
print("closed", flush=True)' $((k * half)) "$half" $((9 + k)) "$run/close" >"$run/client-$k.log" 2>&1 &
    pids+=($!)
done


all() { [ "$(cat "$run"/client-*.log | grep -c "$1")" = 2 ]; }
for _ in $(seq 1 120); do
    all open && break
    sleep 1
done
all open || { echo "the connections did not open" >&2; cat "$run"/client-*.log; exit 1; }
# Scans under the load: the first ones name and journal every destination.
sleep 20
before=$(cpu "$app")
sleep 20
scanCpu=$(awk -v t="$(($(cpu "$app") - before))" -v hz="$ticks" 'BEGIN { printf "%.2f", t / hz / 10 }')
open=$(rss "$app")
exec 3>"$run/close"
exec 3>&-
for _ in $(seq 1 60); do
    all closed && break
    sleep 1
done
kill "${pids[0]}" "${pids[1]}" 2>/dev/null
sleep 20
soon=$(rss "$app")
# What the program remembers of closed connections (their owners, for 2 minutes, and their
# counters, for 3) is let go by then.
sleep 190
closed=$(rss "$app")
began=$(date +%s%N)
kill -TERM "$app"
for _ in $(seq 1 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.05
done
ended=$(awk -v ns="$(($(date +%s%N) - began))" 'BEGIN { printf "%.2f", ns / 1e9 }')
kill -0 "$app" 2>/dev/null && ended=">5"
# The journal keeps the day's entry of every destination for a week: the program started anew on
# the same data folder shows what that much journal takes by itself.
NATTERVANE_HOME=$run QT_QPA_PLATFORM=offscreen "$build/src/app/nattervane" >"$run/again.log" 2>&1 &
again=$!
pids+=("$again")
sleep 10
restarted=$(rss "$again")

echo "$count connections to distinct addresses, scans every 2 s, window open on the Programs tab"
echo "resident memory: ${start} MB at start, ${open} MB with them open, ${soon} MB 20 s after" \
    "they closed, ${closed} MB 3.5 minutes after; ${restarted} MB started anew with their journal"
echo "CPU a scan with them open: ${scanCpu} s"
echo "SIGTERM answered in ${ended} s"
missed=0
[ "$open" -le 200 ] || { echo "missed: more than 200 MB"; missed=1; }
[ "$closed" -le $((restarted * 12 / 10)) ] ||
    { echo "missed: not back within 20 % of a start with the same journal"; missed=1; }
awk -v c="$scanCpu" 'BEGIN { exit !(c <= 1) }' || { echo "missed: more than 1 s of CPU a scan"; missed=1; }
[ "$ended" != ">5" ] && awk -v e="$ended" 'BEGIN { exit !(e <= 2) }' ||
    { echo "missed: SIGTERM not answered within 2 s"; missed=1; }
exit "$missed"

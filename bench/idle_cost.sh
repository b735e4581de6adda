#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Idle cost of the application: runs it headless for a while with its scan timer at 5 s and
# reports its CPU use and resident memory from /proc. Runs inside a private network namespace
# (root needed), so the scans see only the loopback connections made here and no name lookup
# leaves the machine.
#
#   bench/idle_cost.sh [path/to/nattervane] [seconds]
set -eu

program=${1:-build/src/app/nattervane}
seconds=${2:-60}

if [ "${NV_IN_NAMESPACE:-}" != 1 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a private network namespace" >&2; exit 1; }
    NV_IN_NAMESPACE=1 exec unshare -n "$0" "$program" "$seconds"
fi

ip link set lo up
home=$(mktemp -d /tmp/nv-idle-XXXXXX)
trap 'kill "$app" "$peers" 2>/dev/null || true; rm -rf "$home"' EXIT
printf '{"quiet":true,"interval":5,"language":"en","showLocal":true,"paused":false}' \
    > "$home/settings.json"

# Twenty open loopback connections for every scan to list, classify and turn into rows.
python3 "$(dirname "$0")/loopback_peers.py" $((seconds + 10)) &
peers=$!
sleep 1

NATTERVANE_HOME=$home QT_QPA_PLATFORM=offscreen "$program" &
app=$!
# Let start-up (tracker list, first scan) pass before measuring.
sleep 5

ticks() { # own and reaped children's user + system clock ticks
    awk '{ print $14 + $15, $14 + $15 + $16 + $17 }' "/proc/$app/stat"
}
hz=$(getconf CLK_TCK)
set -- $(ticks)
own0=$1 all0=$2
start=$(date +%s.%N)
sleep "$seconds"
set -- $(ticks)
own1=$1 all1=$2
end=$(date +%s.%N)
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$app/status")
peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$app/status")

awk -v o0="$own0" -v o1="$own1" -v a0="$all0" -v a1="$all1" -v s="$start" -v e="$end" \
    -v hz="$hz" -v rss="$rss" -v peak="$peak" 'BEGIN {
    t = e - s
    printf "measured %.1f s of 5 s scans\n", t
    printf "cpu: %.2f %% (program), %.2f %% (with the listers it ran)\n",
           100 * (o1 - o0) / hz / t, 100 * (a1 - a0) / hz / t
    printf "rss: %.1f MB now, %.1f MB peak\n", rss / 1024, peak / 1024
}'

#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program with its window open over a week of journal (14,000 entries by default):
# its CPU use over SECONDS on the Programs tab, then on the Journal tab, and its resident memory.
# Runs on its own X display (Xvfb), in a private network namespace (root needed) with twenty
# loopback connections to list, scanning every 5 s. Screenshots of both tabs go to OUT.
#
#   bench/window_cost.sh [build] [seconds] [entries] [out]
set -eu

build=${1:-build}
seconds=${2:-60}
entries=${3:-14000}
out=${4:-$build/window_cost}

if [ "${NV_IN_NAMESPACE:-}" != 1 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a private network namespace" >&2; exit 1; }
    NV_IN_NAMESPACE=1 exec unshare -n "$0" "$build" "$seconds" "$entries" "$out"
fi

ip link set lo up
mkdir -p "$out"
work=$(mktemp -d /tmp/nv-window-XXXXXX)
home=$work/home
mkdir -p "$home"
cleanup() {
    for pid in ${app:-} ${peers:-} ${xvfb:-}; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -n "${NV_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
printf '{"quiet":true,"interval":5,"language":"en","showLocal":true,"paused":false}' \
    >"$home/settings.json"
"$build/bench/window_cost" --fill "$home" "$entries"

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

python3 "$(dirname "$0")/loopback_peers.py" $((2 * seconds + 30)) &
peers=$!

NATTERVANE_HOME=$home QT_QPA_PLATFORM=xcb "$build/src/app/nattervane" --open \
    >"$work/app.log" 2>&1 &
app=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Nattervane$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the window did not open" >&2; exit 1; }
# Let start-up (tracker list, journal, first scans) pass before measuring.
sleep 5

ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
measure() { # name
    t0=$(ticks)
    s0=$(date +%s.%N)
    sleep "$seconds"
    t1=$(ticks)
    s1=$(date +%s.%N)
    rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$app/status")
    awk -v n="$1" -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$s1" -v hz="$hz" -v rss="$rss" \
        'BEGIN { printf "%s tab: cpu %.2f %% over %.0f s, rss %.1f MB\n", n,
                 100 * (t1 - t0) / hz / (s1 - s0), s1 - s0, rss / 1024 }'
}

measure Programs
import -window root "$out/programs.png"
# The Journal tab is the second of the tab bar under the window's header.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 120)) $((Y + 92)) click 1
sleep 1
import -window root "$out/journal.png"
measure Journal
peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$app/status")
echo "peak rss $(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }') MB; journal entries $entries"

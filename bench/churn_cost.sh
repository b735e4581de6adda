#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The small functions inside are called indirectly (traps, wait_until).
# shellcheck disable=SC2317,SC2119
# The cost of the real program under the load of an active browsing session: its CPU share and
# resident memory over time with the window open on each of the four tabs, and with only the tray
# icon (the window closed).
#
# In a private network and mount namespace (root needed), 500 host names, 150 of them on the tracker
# list, have addresses of 198.18.0.0/15 made local on lo and are named by a hosts file bound over
# /etc/hosts there only. bench/churn_load (see there) holds 13,500 descriptors in 300 processes and
# every 100 ms opens a connection to one of the hosts that lives 0.1 to 30 s. Five copies of the
# program run side by side under that one load, each with its own data folder, session bus,
# notification daemon (dunst, closing each notification after 10 s as a desktop's does) and X
# display (Xvfb), scanning every 5 s: four with their window open on one tab each and no tray (the
# window opens at launch when there is none), one docked in a tint2 panel's tray with its window
# closed. After WARM-UP seconds, their CPU share (the process's own, and the X server's drawing for
# it) and resident memory are printed every minute; the windows close after MEASURED seconds, the
# tray's copy goes on until TRAY seconds after the warm-up for its memory. The aims: the window at
# most 1 % of a core and 100 MB on any tab, the tray at most 0.3 %, and its memory growing by at
# most 5 MB; the exit status is 1 when one is missed. Screenshots and logs go to OUT.
#
#   bench/churn_cost.sh [build] [warm-up s] [measured s] [tray s] [entries] [out]
#
# (defaults 120 600 1800 14000): each data folder starts with a week of journal of ENTRIES
# entries, as bench/window_cost.sh makes it.
set -u

if [ "${1:-}" != --inside ]; then
    build=$(realpath "${1:-build}")
    warm=${2:-120} span=${3:-600} long=${4:-1800} entries=${5:-14000}
    out=${6:-$build/churn_cost}
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a private network namespace" >&2; exit 1; }
    for program in src/app/nattervane bench/churn_load bench/window_cost; do
        [ -x "$build/$program" ] || { echo "$build/$program is missing" >&2; exit 1; }
    done
    rm -rf "$out" && mkdir -p "$out"
    [ "$long" -ge "$span" ] || long=$span
    # Bounded whatever happens inside; the TERM runs its cleanup.
    exec timeout -k 15 $((warm + long + 240)) unshare -n -m "$0" --inside "$build" \
        "$(cd "$(dirname "$0")/.." && pwd)" "$(realpath "$out")" "$warm" "$span" "$long" "$entries"
fi

build=$2 source=$3 out=$4 warm=$5 span=$6 long=$7 entries=$8
# shellcheck source=tests/session/lib.sh
. "$source/tests/session/lib.sh"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_AUTO_SCREEN_SCALE_FACTOR=0
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION \
    QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR NATTERVANE_OPEN NATTERVANE_SNAPSHOT

cases="programs journal rules settings tray"
# Where each tab's title is on the tab bar, from the window's left edge and top.
declare -A tab_x=([programs]=50 [journal]=120 [rules]=178 [settings]=240)
tab_y=92
mounts=()

cleanup() {
    trap - EXIT TERM INT HUP
    session_stop_all
    unmount_all
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# --- The network: 500 hosts, 30 % of them from the tracker list, the rest from the organisation
# table's services, delivery networks and clouds.
SESSION_RUN="$out/load"
mkdir -p "$SESSION_RUN"
ip link set lo up
ip route add local 198.18.0.0/15 dev lo
{
    echo "127.0.0.1 localhost"
    {
        awk '!/^#/ && NF == 2 { print $2 }' "$source/resources/trackers.txt" |
            awk '{ line[NR] = $0 } END { for (i = 1; i <= 150; i++) print line[int(i * NR / 151)] }'
        awk -F '\t' '!/^#/ && $2 ~ /^(service|cdn|cloud)$/ { print $1 }' "$source/resources/orgs.txt" |
            awk '{ line[NR] = $0 } END { for (i = 1; i <= 350; i++) print line[int(i * NR / 351)] }'
    } | awk '{ n = NR - 1; printf "198.18.%d.%d %s\n", 1 + int(n / 200), 1 + n % 200, $0 }'
} >"$SESSION_RUN/hosts"
bind_hosts "$SESSION_RUN/hosts"
first=$(awk 'NR == 2 { print $1, $2 }' "$SESSION_RUN/hosts")
if [ "$(getent hosts "${first% *}" | awk '{ print $2 }')" != "${first#* }" ]; then
    echo "the hosts file does not name ${first% *} in the namespace" >&2
    exit 1
fi
session_spawn load "$build/bench/churn_load" "$SESSION_RUN/hosts" $((warm + long + 120))
wait_until 30 file_has ready "$SESSION_RUN/load.log" || { echo "the load did not start" >&2; exit 1; }

# --- The five programs.
window_up() {
    [ -n "$(viewable_windows_named Nattervane)" ]
}

start_case() {
    local name=$1
    SESSION_RUN="$out/$name"
    mkdir -p "$SESSION_RUN/user" "$SESSION_RUN/runtime" "$SESSION_RUN/home"
    chmod 700 "$SESSION_RUN/runtime"
    export HOME="$SESSION_RUN/user" XDG_RUNTIME_DIR="$SESSION_RUN/runtime"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
    printf '{"quiet":false,"interval":5,"language":"en","showLocal":false,"paused":false}\n' \
        >"$SESSION_RUN/home/settings.json"
    "$build/bench/window_cost" --fill "$SESSION_RUN/home" "$entries" || return 1
    start_xvfb xvfb && start_bus bus && start_notify_log notifications && start_dunst dunst 10 ||
        return 1
    if [ "$name" = tray ]; then
        start_tint2 tint2 '#2b2b2b' || return 1
    fi
    session_spawn app env NATTERVANE_HOME="$SESSION_RUN/home" QT_QPA_PLATFORM=xcb \
        "$build/src/app/nattervane"
    if [ "$name" = tray ]; then
        wait_until 20 docked_icon >/dev/null || return 1
    else
        wait_until 20 window_up || return 1
        local window
        window=$(viewable_windows_named Nattervane | head -1)
        eval "$(xdotool getwindowgeometry --shell "$window")"
        xdotool mousemove $((X + tab_x[$name])) $((Y + tab_y)) click 1
    fi
}

for name in $cases; do
    start_case "$name" || { echo "the $name case did not start (see $out/$name)" >&2; exit 1; }
done
unset DISPLAY

pid_of() { cat "$out/$1/$2.pid"; }
# user + system clock ticks of a process.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
rss_mb() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)
declare -A app0 x0 appLast xLast rss0
now() { date +%s.%N; }
share() { # TICKS SECONDS
    awk -v t="$1" -v s="$2" -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}
mark() { # take the current ticks as the start of the next minute
    local name
    for name in $cases; do
        appLast[$name]=$(ticks "$(pid_of "$name" app)")
        xLast[$name]=$(ticks "$(pid_of "$name" xvfb)")
    done
    last=$(now)
}
screenshots() {
    local name
    for name in $cases; do
        DISPLAY=":$(tr -dc 0-9 <"$out/$name/xvfb.display")" import -window root "$out/$name/$1.png"
    done
}

sleep "$warm"
screenshots warm
mark
start=$last
for name in $cases; do
    app0[$name]=${appLast[$name]} x0[$name]=${xLast[$name]}
    rss0[$name]=$(rss_mb "$(pid_of "$name" app)")
done
echo "after a warm-up of $warm s: each minute, the CPU share of one core (program + X server) and resident memory"
printf '%6s' "min"
for name in $cases; do printf ' | %-22s' "$name"; done
echo
tray_only=
missed=0
while :; do
    elapsed=$(awk -v a="$(now)" -v b="$start" 'BEGIN { printf "%d", a - b }')
    [ "$elapsed" -ge "$long" ] && break
    step=$((60 < long - elapsed ? 60 : long - elapsed))
    if [ -z "$tray_only" ] && [ "$elapsed" -lt "$span" ] && [ $((span - elapsed)) -lt "$step" ]; then
        step=$((span - elapsed))
    fi
    sleep "$step"
    seconds=$(awk -v a="$(now)" -v b="$last" 'BEGIN { print a - b }')
    printf '%6s' "$(awk -v a="$(now)" -v b="$start" 'BEGIN { printf "%.1f", (a - b) / 60 }')"
    for name in $cases; do
        app=$(pid_of "$name" app)
        if [ ! -e "/proc/$app" ]; then printf ' | %-22s' "-"; continue; fi
        printf ' | %5s+%-5s %6s MB' \
            "$(share $(($(ticks "$app") - appLast[$name])) "$seconds")" \
            "$(share $(($(ticks "$(pid_of "$name" xvfb)") - xLast[$name])) "$seconds")" \
            "$(rss_mb "$app")"
    done
    echo
    mark
    elapsed=$(awk -v a="$last" -v b="$start" 'BEGIN { printf "%d", a - b }')
    [ -n "$tray_only" ] || [ "$elapsed" -lt "$span" ] && continue
    # The measured span is over: the figures of every case, then the windows close.
    echo "over $elapsed s after the warm-up:"
    for name in $cases; do
        app=$(pid_of "$name" app)
        cpu=$(share $((appLast[$name] - app0[$name])) "$elapsed")
        xcpu=$(share $((xLast[$name] - x0[$name])) "$elapsed")
        rss=$(rss_mb "$app")
        peak=$(awk '/^VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$app/status")
        aim=1 what="window on the $name tab"
        [ "$name" = tray ] && aim=0.3 what="tray only, window closed"
        verdict=met
        awk -v c="$cpu" -v a="$aim" -v r="$peak" -v t="$name" \
            'BEGIN { exit !(c <= a && (t == "tray" || r <= 100)) }' || { verdict=MISSED; missed=1; }
        notes=$(notifications "$out/$name/notifications.log" | grep -c .)
        # Those posted after the warm-up, from dbus-monitor's time stamps.
        measuredNotes=$(awk -v since="$start" '/member=Notify/ {
            sub("time=", "", $3); if ($3 + 0 >= since + 0) n++ } END { print n + 0 }' \
            "$out/$name/notifications.log")
        printf '  %-26s cpu %5s %% of a core (X server %s %%), rss %s -> %s MB (peak %s), %s notifications (%s after the warm-up): %s\n' \
            "$what" "$cpu" "$xcpu" "${rss0[$name]}" "$rss" "$peak" "$notes" "$measuredNotes" "$verdict"
    done
    screenshots measured
    for name in programs journal rules settings; do
        session_stop_pidfile "$out/$name/app.pid"
    done
    cases=tray tray_only=1
done
growth=$(awk -v a="$(rss_mb "$(pid_of tray app)")" -v b="${rss0[tray]}" 'BEGIN { printf "%.1f", a - b }')
verdict=met
awk -v g="$growth" 'BEGIN { exit !(g <= 5) }' || { verdict=MISSED; missed=1; }
echo "tray only: resident memory ${rss0[tray]} MB after the warm-up, $(rss_mb "$(pid_of tray app)") MB $((long / 60)) min later: growth $growth MB (at most 5): $verdict"
echo "journal entries of the tray's copy: $(cat "$out/tray/home/journal/"*.json 2>/dev/null | grep -o '"dest"' | wc -l)"
exit "$missed"

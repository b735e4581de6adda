# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Pieces of the throw-away sessions of tests/session/session.sh (X11) and wayland.sh, and of
# bench/churn_cost.sh: the network of the four destinations and the programs holding connections
# to them, the hosts file bound over /etc/hosts, a session bus, the notification log, an X server
# with panels and a system tray, the StatusNotifierItem watcher, the window and pixel probes of
# the checks, and the PASS and FAIL lines. Every daemon runs in the
# background with its pid in NAME.pid and its output in NAME.log under $SESSION_RUN, the folder of
# the current run; session_stop_all ends whatever is still running. Sourced by bash.

SESSION_PIDFILES=()

# session_prerequisites BUILD_DIR SOURCE_DIR OUT_DIR TOOL...: whether a session test can run here:
# root with private network and mount namespaces, the tools (besides the bus's, the pictures'
# and the network's, which every session uses) and the built programs. Prints the build folder's
# absolute path; else says why and returns 2 when the test is to be skipped, 1 when it fails.
session_prerequisites() {
    if [ $# -lt 3 ]; then
        echo "usage: $0 BUILD_DIR SOURCE_DIR OUT_DIR" >&2
        return 1
    fi
    local build=$1 tool program missing=
    shift 3
    if [ "$(id -u)" != 0 ] || ! unshare -n -m true 2>/dev/null; then
        echo "skipped: needs root for a private network and mount namespace" >&2
        return 2
    fi
    for tool in dbus-daemon dbus-send dbus-monitor convert compare python3 ip getent "$@"; do
        command -v "$tool" >/dev/null || missing="$missing $tool"
    done
    if [ -n "$missing" ]; then
        echo "FAIL tools: missing$missing (scripts/setup.sh installs them)" >&2
        return 1
    fi
    build=$(realpath "$build")
    for program in src/app/nattervane tests/system/hold_connection; do
        if [ ! -x "$build/$program" ]; then
            echo "FAIL build: $build/$program is missing" >&2
            return 1
        fi
    done
    echo "$build"
}
failures=0

pass() {
    echo "PASS $1${2:+: $2}"
}

fail() {
    echo "FAIL $1${2:+: $2}"
    failures=$((failures + 1))
}

note() {
    echo "     $*"
}

# session_spawn NAME COMMAND...: starts COMMAND in the background of this shell, so that
# `wait` can collect its exit status.
session_spawn() {
    local name=$1
    shift
    "$@" >"$SESSION_RUN/$name.log" 2>&1 &
    echo $! >"$SESSION_RUN/$name.pid"
    SESSION_PIDFILES+=("$SESSION_RUN/$name.pid")
}

session_pid() {
    cat "$SESSION_RUN/$1.pid" 2>/dev/null
}

session_running() {
    local pid
    pid=$(session_pid "$1") && [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null
}

# Ends the process of one pid file: TERM, up to 5 s, then KILL. The pid file is renamed to
# *.ended so that a later stop never signals a reused pid.
session_stop_pidfile() {
    local file=$1 pid
    [ -f "$file" ] || return 0
    pid=$(cat "$file")
    mv -f "$file" "$file.ended"
    [ -n "$pid" ] || return 0
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    return 0
}

session_stop() {
    session_stop_pidfile "$SESSION_RUN/$1.pid"
}

# session_stop_all [FIRST]: ends the processes started since the FIRST'th (default: all), newest
# first, so that the X server and the bus outlive their clients. `session_count` gives FIRST.
session_stop_all() {
    local first=${1:-0} i
    for ((i = ${#SESSION_PIDFILES[@]} - 1; i >= first; i--)); do
        session_stop_pidfile "${SESSION_PIDFILES[i]}"
    done
    SESSION_PIDFILES=("${SESSION_PIDFILES[@]:0:first}")
}

session_count() {
    echo "${#SESSION_PIDFILES[@]}"
}

# wait_until SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds or SECONDS pass.
wait_until() {
    local end=$((SECONDS + $1))
    shift
    while :; do
        "$@" && return 0
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.2
    done
}

# ends_cleanly CHECK PID PIDFILE HOW [DONE]: waits up to 10 s for the program PID, which this shell
# started, to end after HOW; passes CHECK when its status is 0 (after DONE, what led there) and
# marks PIDFILE ended. Returns 1 when it is still running.
ends_cleanly() {
    local check=$1 pid=$2 pidfile=$3 how=$4 done=${5:-} status
    if ! wait_until 10 bash -c "! kill -0 $pid 2>/dev/null"; then
        fail "$check" "still running 10 s after $how"
        return 1
    fi
    wait "$pid"
    status=$?
    mv -f "$pidfile" "$pidfile.ended"
    if [ "$status" = 0 ]; then
        pass "$check" "${done:+$done; }$how ended it with status 0"
    else
        fail "$check" "$how ended it with status $status"
    fi
}

file_has() {
    [ -f "$2" ] && grep -q -- "$1" "$2"
}

# start_xvfb NAME: an X server on the first free display (Xvfb picks it and writes it to a file
# once it accepts clients); exports DISPLAY. -noreset keeps the root window's properties when
# the last client leaves. With no window manager, the desktop count a panel waits for is set
# here.
start_xvfb() {
    local name=$1 number="$SESSION_RUN/$1.display"
    : >"$number"
    # shellcheck disable=SC2016 # expanded by the inner shell
    session_spawn "$name" bash -c 'exec 3>"$0"; exec "$@"' "$number" \
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset
    wait_until 15 grep -q '[0-9]' "$number" || return 1
    DISPLAY=":$(tr -dc 0-9 <"$number")"
    export DISPLAY
    xprop -root -f _NET_NUMBER_OF_DESKTOPS 32c -set _NET_NUMBER_OF_DESKTOPS 1 &&
        xprop -root -f _NET_CURRENT_DESKTOP 32c -set _NET_CURRENT_DESKTOP 0
}

# start_bus NAME: a session bus on a socket in the run folder; exports DBUS_SESSION_BUS_ADDRESS.
start_bus() {
    local name=$1 address="$SESSION_RUN/$1.address"
    : >"$address"
    # shellcheck disable=SC2016 # expanded by the inner shell
    session_spawn "$name" bash -c 'exec 3>"$0"; exec "$@"' "$address" \
        dbus-daemon --session --nofork --nopidfile --print-address=3 \
        --address="unix:path=$SESSION_RUN/$name.socket"
    wait_until 10 grep -q unix: "$address" || return 1
    export DBUS_SESSION_BUS_ADDRESS
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$address")
}

bus_has_owner() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# start_notify_log NAME: records every Notify call on the session bus in NAME.log.
start_notify_log() {
    session_spawn "$1" dbus-monitor --session \
        "type='method_call',interface='org.freedesktop.Notifications',member='Notify'"
    # dbus-monitor prints the bus's NameAcquired signal once it listens.
    wait_until 10 file_has NameAcquired "$SESSION_RUN/$1.log"
}

# start_dunst NAME [TIMEOUT]: the notification daemon with a config of its own; notifications
# stay on screen until closed, or for TIMEOUT seconds. Its context menu (dunstctl context) picks
# the first button "Allow" there is, as a person would.
start_dunst() {
    cat >"$SESSION_RUN/$1.rc" <<EOF
[global]
    monitor = 0
    follow = none
    dmenu = /usr/bin/grep -m1 -w Allow
    font = DejaVu Sans 9
    idle_threshold = 0
[urgency_low]
    timeout = ${2:-0}
[urgency_normal]
    timeout = ${2:-0}
[urgency_critical]
    timeout = ${2:-0}
EOF
    session_spawn "$1" dunst -config "$SESSION_RUN/$1.rc"
    wait_until 10 bus_has_owner org.freedesktop.Notifications
}

# How many notifications dunst holds: shown, waiting and closed.
dunst_total() {
    local shown waiting history
    shown=$(dunstctl count displayed 2>/dev/null) || return 1
    waiting=$(dunstctl count waiting 2>/dev/null) || return 1
    history=$(dunstctl count history 2>/dev/null) || return 1
    echo $((shown + waiting + history))
}

# notifications LOG: one line per Notify call in a log of start_notify_log: application, title
# and body, separated by tabs.
notifications() {
    python3 - "$1" <<'EOF'
import re
import sys

calls = []
current = None
with open(sys.argv[1], encoding="utf-8", errors="replace") as log:
    for line in log:
        line = line.rstrip("\n")
        if not line.startswith(" "):
            current = [] if "member=Notify" in line else None
            if current is not None:
                calls.append(current)
            continue
        # The call's own arguments are indented by three spaces, those inside its arrays deeper.
        match = re.fullmatch(r'   string "(.*)"', line)
        if current is not None and match:
            current.append(match.group(1))
for strings in calls:
    # app_name, app_icon, summary, body
    if len(strings) >= 4:
        print("\t".join([strings[0], strings[2], strings[3]]))
EOF
}

# start_tint2 NAME BACKGROUND: a panel along the bottom of the screen holding only a system tray,
# in the colour BACKGROUND (#rrggbb), with 32-pixel icons; waits until its tray is up.
start_tint2() {
    local name=$1 colour=$2
    cat >"$SESSION_RUN/$name.rc" <<EOF
rounded = 0
border_width = 0
background_color = $colour 100
border_color = $colour 100
panel_items = S
panel_size = 100% 40
panel_margin = 0 0
panel_padding = 4 0 4
panel_background_id = 1
panel_position = bottom center horizontal
panel_layer = top
panel_dock = 0
wm_menu = 0
autohide = 0
strut_policy = none
systray_padding = 4 0 4
systray_background_id = 0
systray_sort = ascending
systray_icon_size = 32
systray_icon_asb = 100 0 0
systray_monitor = 1
EOF
    session_spawn "$name" tint2 -c "$SESSION_RUN/$name.rc"
    wait_until 20 file_has "systray started" "$SESSION_RUN/$name.log" &&
        wait_until 5 tint2_window >/dev/null
}

# The id of tint2's panel window.
tint2_window() {
    xwininfo -root -tree 2>/dev/null | awk '$2 == "\"tint2\":" { print $1; found = 1; exit }
        END { exit !found }'
}

# docked_icon [NAME]: the mapped window named NAME (default Nattervane) inside tint2's panel, that
# is, a docked tray icon; fails when there is none.
docked_icon() {
    local panel id
    panel=$(tint2_window) || return 1
    for id in $(xwininfo -tree -id "$panel" 2>/dev/null |
        awk -v name="\"${1:-Nattervane}\":" '$2 == name { print $1 }'); do
        if window_viewable "$id"; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# window_geometry ID: "X Y WIDTH HEIGHT" on the screen.
window_geometry() {
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF }
        /^ *Height:/ { h = $NF }
        END { if (w == "") exit 1; print x, y, w, h }'
}

# Top-level windows, one a line: id, then the rest of xwininfo's line (name, class, geometry).
top_windows() {
    xwininfo -root -children 2>/dev/null | awk '/^ +0x/ { sub(/^ +/, ""); print }'
}

window_viewable() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

window_override_redirect() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Override Redirect State: yes'
}

# Mapped top-level windows named exactly NAME, one id a line.
viewable_windows_named() {
    local id
    for id in $(top_windows | awk -v name="\"$1\":" '$2 == name { print $1 }'); do
        window_viewable "$id" && echo "$id"
    done
    return 0
}

# window_type ID: its _NET_WM_WINDOW_TYPE, such as _NET_WM_WINDOW_TYPE_DIALOG.
window_type() {
    xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | sed -n 's/.* = //p'
}

screenshot() {
    import -window root "$1"
}

# differing_pixels IMAGE X Y WIDTH HEIGHT COLOUR: how many pixels of that area of IMAGE differ
# from COLOUR by more than a quarter of the range, so that antialiasing fringes and small shading
# do not count.
differing_pixels() {
    local image=$1 x=$2 y=$3 w=$4 h=$5 colour=$6 crop plain
    crop="${image%.png}-crop-$x-$y.png"
    plain="${image%.png}-plain-$x-$y.png"
    convert "$image" -crop "${w}x${h}+${x}+${y}" +repage "$crop" &&
        convert -size "${w}x${h}" "xc:$colour" "$plain" || return 1
    # compare prints the count on standard error and exits 1 when the images differ.
    compare -metric AE -fuzz 25% "$crop" "$plain" null: 2>&1 | awk '{ printf "%d\n", $1 }'
}

# --- The network: lo with four documentation addresses, named by a hosts file bound over
# /etc/hosts in this mount namespace only (an ad server, a telemetry host, a social network, an
# unknown host).
session_hosts="stats.g.doubleclick.net incoming.telemetry.mozilla.org connect.facebook.net quiet-harbour.example"

# bind_hosts FILE: as root inside a private mount namespace, binds FILE over /etc/hosts, and an
# nsswitch.conf that reads it when the system's does not; each path bound over is added to the
# array `mounts` for the cleanup to unmount.
bind_hosts() {
    chmod 0644 "$1"
    mount --bind "$1" /etc/hosts && mounts+=(/etc/hosts)
    if ! grep -Eq '^hosts:.*[[:space:]]files' /etc/nsswitch.conf 2>/dev/null; then
        sed 's/^hosts:.*/hosts: files dns/' /etc/nsswitch.conf >"$SESSION_RUN/nsswitch.conf"
        mount --bind "$SESSION_RUN/nsswitch.conf" /etc/nsswitch.conf && mounts+=(/etc/nsswitch.conf)
    fi
}

# unmount_all: unmounts every path of the array `mounts`.
unmount_all() {
    local target
    for target in "${mounts[@]}"; do
        umount "$target" 2>/dev/null
    done
}

# network_up: as root inside private network and mount namespaces; each path bound over is added
# to the array `mounts` for the cleanup to unmount.
network_up() {
    ip link set lo up
    local n
    for n in 10 11 12 13; do
        ip addr add "203.0.113.$n/32" dev lo
    done
    cat >"$SESSION_RUN/hosts" <<'EOF'
127.0.0.1 localhost
203.0.113.10 stats.g.doubleclick.net
203.0.113.11 incoming.telemetry.mozilla.org
203.0.113.12 connect.facebook.net
203.0.113.13 quiet-harbour.example
EOF
    bind_hosts "$SESSION_RUN/hosts"
    if [ "$(getent hosts 203.0.113.12 | awk '{ print $2 }')" != connect.facebook.net ]; then
        fail setup "203.0.113.12 does not resolve to connect.facebook.net in the namespace"
        return 1
    fi
}

# start_holders HOLDER: one HOLDER per address, each reading the same fifo: they keep their
# connection until the fifo's writer, file descriptor 3 of this shell, closes, starting a new one
# when the holder's own 60 seconds run out. Creating $SESSION_RUN/holders.stop before closing it
# ends them for good.
start_holders() {
    local holder=$1 n
    mkfifo "$SESSION_RUN/hold"
    for n in 10 11 12 13; do
        # shellcheck disable=SC2016 # expanded by the inner shell
        session_spawn "hold-$n" bash -c '
            for _ in 1 2 3 4 5 6 7 8 9 10; do
                [ -e "$1" ] && exit 0
                "$2" "$3" <"$0" || exit 1
            done' "$SESSION_RUN/hold" "$SESSION_RUN/holders.stop" "$holder" "203.0.113.$n"
    done
    exec 3>"$SESSION_RUN/hold"
    holders_ready() {
        [ "$(cat "$SESSION_RUN"/hold-*.log 2>/dev/null | grep -c ready)" -ge 4 ]
    }
    if ! wait_until 10 holders_ready; then
        fail setup "the four held connections did not open (see $SESSION_RUN/hold-*.log)"
        return 1
    fi
}

# --- Notifications: the two due for the held connections, as the notification log gives them.
en_notes=$(
    printf 'Nattervane\tNattervane\t%s\n' \
        '“hold_connection” is sending data to the ad network Google Ads.' \
        '“hold_connection” talks to the social network Meta (Facebook), which can learn that you opened it.'
)
# shellcheck disable=SC2034 # used by session.sh
ru_notes=$(
    printf 'Nattervane\tNattervane\t%s\n' \
        '«hold_connection» отправляет данные рекламной сети Google Ads.' \
        '«hold_connection» связывается с соцсетью Meta (Facebook) — она может узнать, что вы открыли эту программу.'
)

# How many notifications the daemon holds; a session with another daemon defines its own.
notification_total() {
    dunst_total
}

# check_notifications NAME EXPECTED: what the daemon was sent equals EXPECTED (lines of
# application, title and body separated by tabs, in any order), and it holds that many.
check_notifications() {
    local name=$1 expected=$2 got count
    screenshot "$SESSION_RUN/$name.png"
    got=$(notifications "$SESSION_RUN/notifications.log")
    printf '%s\n' "$got" >"$SESSION_RUN/notifications.txt"
    count=$(notification_total)
    if [ "$(sort <<<"$got")" = "$(sort <<<"$expected")" ] &&
        [ "$count" = "$(grep -c . <<<"$expected")" ]; then
        pass "$name" "$(grep -c . <<<"$got") notifications, exact texts; the daemon holds $count"
    else
        fail "$name" "the daemon holds ${count:-?}; expected / received:"
        diff <(sort <<<"$expected") <(sort <<<"$got") | sed 's/^/     /'
    fi
}

# --- StatusNotifierItem hosts.

# Whether a host is registered with the watcher on the session bus.
watcher_host_up() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:IsStatusNotifierHostRegistered \
        2>/dev/null | grep -q 'boolean true'
}

# watcher_item PID: the bus name of the item that process PID registered with the watcher.
watcher_item() {
    local pid=$1 service
    for service in $(dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems 2>/dev/null |
        sed -n 's/^ *string "\([^"/]*\).*"$/\1/p'); do
        if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.GetConnectionUnixProcessID "string:$service" 2>/dev/null |
            grep -q "uint32 $pid\$"; then
            echo "$service"
            return 0
        fi
    done
    return 1
}

# changed_box BEFORE AFTER X Y WIDTH HEIGHT: the box around the pixels of that area that differ
# clearly between two screenshots, as "WIDTH HEIGHT X Y" on the screen; fails when none does.
changed_box() {
    local a=$1 b=$2 x=$3 y=$4 w=$5 h=$6 box
    box=$(convert "$a" "$b" -crop "${w}x${h}+${x}+${y}" +repage -compose difference -composite \
        -colorspace gray -threshold 12% -format '%@' info: 2>/dev/null) || return 1
    # %@ is the trim box, WxH+X+Y; an area without any change gives its whole size.
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
    [ "${BASH_REMATCH[1]}" -gt 0 ] || return 1
    { [ "${BASH_REMATCH[1]}" -lt "$w" ] || [ "${BASH_REMATCH[2]}" -lt "$h" ]; } || return 1
    echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} $((x + BASH_REMATCH[3])) $((y + BASH_REMATCH[4]))"
}

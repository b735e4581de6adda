# shellcheck shell=bash
# Pieces of a throw-away X session for tests/session/session.sh: an X server, a session bus, a
# notification daemon, panels with a system tray, and the window and pixel probes of the checks.
# Every daemon runs in the background with its pid in NAME.pid and its output in NAME.log under
# $SESSION_RUN, the folder of the current run; session_stop_all ends whatever is still running.
# Sourced by bash.

SESSION_PIDFILES=()

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

# start_dunst NAME: the notification daemon with a config of its own; notifications stay on
# screen until closed.
start_dunst() {
    cat >"$SESSION_RUN/$1.rc" <<'EOF'
[global]
    monitor = 0
    follow = none
    font = DejaVu Sans 9
    idle_threshold = 0
[urgency_low]
    timeout = 0
[urgency_normal]
    timeout = 0
[urgency_critical]
    timeout = 0
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

# differing_area IMAGE1 IMAGE2 X Y WIDTH HEIGHT: how many pixels of that area differ between
# two screenshots.
differing_area() {
    local a=$1 b=$2 x=$3 y=$4 w=$5 h=$6
    convert "$a" -crop "${w}x${h}+${x}+${y}" +repage "${a%.png}-area.png" &&
        convert "$b" -crop "${w}x${h}+${x}+${y}" +repage "${b%.png}-area.png" || return 1
    compare -metric AE -fuzz 10% "${a%.png}-area.png" "${b%.png}-area.png" null: 2>&1 |
        awk '{ printf "%d\n", $1 }'
}

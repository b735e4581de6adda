#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The small predicates inside the checks are called through wait_until.
# shellcheck disable=SC2317

# The shipped application in a Wayland session, run natively (Qt's wayland platform) as a normal
# user, since sway refuses to run as root. In private network and mount namespaces a test user
# exists only in a passwd file bound over /etc/passwd; four programs hold connections to the
# documentation addresses of the X11 session test. As that user: a session bus, sway with the
# headless backend and the pixman renderer, waybar whose tray is the StatusNotifierItem host,
# mako for notifications, grim for screenshots and wayvnc, through which tests/session/vnc_input.py
# clicks and types (there is no uinput). Each check prints a PASS or FAIL line; the script exits
# 1 when any fails. Logs and screenshots go to OUT_DIR.
# Usage (as root): tests/session/wayland.sh BUILD_DIR SOURCE_DIR OUT_DIR
set -u

user=nvwayland

if [ "${1:-}" != --inside ] && [ "${1:-}" != --user ]; then
    # shellcheck source=tests/session/lib.sh
    . "$(dirname "$0")/lib.sh"
    build=$(session_prerequisites "$@" sway swaymsg waybar mako makoctl grim wayvnc \
        setpriv) || exit $(($? == 2 ? 0 : 1))
    mkdir -p "$3"
    out=$(realpath "$3")
    find "$out" -mindepth 1 -delete
    # Whatever happens inside, the test ends within five minutes; the TERM runs its cleanup.
    exec timeout -k 15 300 unshare -n -m "$0" --inside "$build" "$(realpath "$2")" "$out"
fi

phase=$1
build=$2
out=$4
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/session/lib.sh
. "$here/lib.sh"
SESSION_RUN=$out

# --- As root in the namespaces: the network, the test user, then the rest as that user.
if [ "$phase" = --inside ]; then
    mounts=()
    runtime=
    cleanup() {
        trap - EXIT TERM INT HUP
        unmount_all
        [ -n "$runtime" ] && rm -rf "$runtime"
    }
    trap cleanup EXIT
    trap 'exit 143' TERM INT HUP
    network_up || exit 1
    # A user id and group id free on this machine.
    id=61000
    while getent passwd "$id" >/dev/null || getent group "$id" >/dev/null; do
        id=$((id + 1))
    done
    cp /etc/passwd "$out/passwd"
    cp /etc/group "$out/group"
    echo "$user:x:$id:$id:Nattervane test:$out/home:/bin/bash" >>"$out/passwd"
    echo "$user:x:$id:" >>"$out/group"
    chmod 0644 "$out/passwd" "$out/group"
    for file in passwd group; do
        mount --bind "$out/$file" "/etc/$file" && mounts+=("/etc/$file")
    done
    # Wayland's sockets need a short path; the runtime folder is the user's alone.
    runtime=$(mktemp -d /tmp/nv-wayland.XXXXXX)
    mkdir -p "$out/home"
    chown "$id:$id" "$out" "$out/home" "$runtime"
    chmod 0700 "$runtime"
    setpriv --reuid="$id" --regid="$id" --init-groups \
        env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$out/home" USER="$user" \
        LOGNAME="$user" XDG_RUNTIME_DIR="$runtime" "$0" --user "$build" "$3" "$out"
    exit $?
fi

# --- As the test user.
app="$build/src/app/nattervane"
home="$out/data"
export LC_ALL=C.UTF-8 QT_AUTO_SCREEN_SCALE_FACTOR=0
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
mkdir -p "$home" "$XDG_CONFIG_HOME"
started=$SECONDS

cleanup() {
    trap - EXIT TERM INT HUP
    touch "$out/holders.stop"
    exec 3>&-
    session_stop_all
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

screenshot() {
    grim "$1"
}

# mako keeps every notification on screen; makoctl lists them.
notification_total() {
    makoctl list | python3 -c 'import json, sys; print(len(json.load(sys.stdin)["data"][0]))'
}

# Every toplevel window of the desktop, one a line: app_id, pid, width, height, title.
toplevels() {
    swaymsg -t get_tree -r | python3 -c '
import json
import sys

def walk(node):
    if node.get("pid") and node.get("type") in ("con", "floating_con"):
        rect = node["rect"]
        print(node.get("app_id"), node["pid"], rect["width"], rect["height"], node.get("name"),
              sep="\t")
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)

walk(json.load(sys.stdin))'
}

# The application's toplevel windows, one a line as toplevels prints them.
app_windows() {
    toplevels | awk -F'\t' -v pid="$(session_pid app)" '$2 == pid'
}

main_window_shown() {
    app_windows | awk -F'\t' '$3 >= 600 && $5 == "Nattervane" { found = 1 } END { exit !found }'
}

no_app_window() {
    [ -z "$(app_windows)" ]
}

close_window() {
    swaymsg "[pid=$(session_pid app)] kill" >/dev/null
    wait_until 5 no_app_window
}

vnc() {
    python3 "$here/vnc_input.py" "$XDG_RUNTIME_DIR/vnc.socket" "$@"
}

# usage_of PID: "CPU % over the last SECONDS, resident memory in MiB", measured over $2 seconds.
usage_of() {
    local pid=$1 seconds=$2 before after
    before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    sleep "$seconds"
    after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    awk -v ticks=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
        '{ if ($1 == "VmRSS:") rss = $2 } END {
            printf "CPU %.2f %%, resident memory %.1f MiB", 100 * ticks / hz / s, rss / 1024 }' \
        "/proc/$pid/status"
}

start_sway() {
    cat >"$out/sway.config" <<'EOF'
output HEADLESS-1 resolution 1024x768 background #3a4a5a solid_color
xwayland disable
default_border normal
focus_follows_mouse no
EOF
    session_spawn sway env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
        WLR_LIBINPUT_NO_DEVICES=1 sway --config "$out/sway.config"
    sway_up() {
        local socket
        socket=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'wayland-*' -type s | head -n 1)
        SWAYSOCK=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'sway-ipc.*.sock' | head -n 1)
        [ -n "$socket" ] && [ -n "$SWAYSOCK" ] || return 1
        export WAYLAND_DISPLAY SWAYSOCK
        WAYLAND_DISPLAY=$(basename "$socket")
        swaymsg -t get_version >/dev/null 2>&1
    }
    wait_until 15 sway_up
}

# waybar along the top, 30 pixels high, holding only its tray with 22-pixel icons.
start_waybar() {
    mkdir -p "$XDG_CONFIG_HOME/waybar"
    cat >"$XDG_CONFIG_HOME/waybar/config" <<'EOF'
{ "layer": "top", "position": "top", "height": 30, "modules-right": ["tray"],
  "tray": { "icon-size": 22, "spacing": 8 } }
EOF
    cat >"$XDG_CONFIG_HOME/waybar/style.css" <<'EOF'
* { font-family: "DejaVu Sans"; font-size: 12px; }
window#waybar { background: #202020; }
EOF
    session_spawn waybar waybar
    wait_until 20 watcher_host_up
}

start_desktop() {
    start_bus bus && start_notify_log notifications || return 1
    start_sway || return 1
    start_waybar || return 1
    session_spawn mako mako --default-timeout 0 --font 'DejaVu Sans 9'
    wait_until 10 bus_has_owner org.freedesktop.Notifications || return 1
    session_spawn wayvnc wayvnc --unix-socket "$XDG_RUNTIME_DIR/vnc.socket"
    wait_until 10 test -S "$XDG_RUNTIME_DIR/vnc.socket"
}

start_app() {
    session_spawn "${1:-app}" env NATTERVANE_HOME="$home" QT_QPA_PLATFORM=wayland "$app" "${@:2}"
}

# --- The session.
start_holders "$build/tests/system/hold_connection" || exit 1
if ! start_desktop; then
    fail desktop "the bus, sway, waybar, mako or wayvnc did not start (see $out/*.log)"
    exit 1
fi
sleep 1
screenshot "$out/before.png"
printf '{"quiet":false,"interval":3,"language":"en","showLocal":false,"paused":false}\n' \
    >"$home/settings.json"
# The first-run hint, a notification of its own on this tray, counts as shown.
: >"$home/tray-hint-shown"
start_app
app_pid=$(session_pid app)
item=
registered() {
    item=$(watcher_item "$app_pid")
}
if wait_until 20 registered; then
    pass registered "the item $item is registered with waybar's StatusNotifierWatcher"
else
    fail registered "no item registered with the watcher (see $out/app.log)"
fi

# At least three scans, 3 seconds apart.
sleep 10
if session_running app; then
    pass alive "running natively on Wayland after $((SECONDS - started)) s, scans every 3 s"
else
    fail alive "the application ended (see $out/app.log)"
    exit 1
fi

# The icon: what changed in the bar since the program started.
screenshot "$out/icon.png"
convert "$out/icon.png" -crop 200x30+824+0 +repage -scale 400% "$out/icon-bar.png"
icon_box=$(changed_box "$out/before.png" "$out/icon.png" 0 0 1024 30)
read -r gw gh gx gy <<<"$icon_box"
if [ -z "$icon_box" ]; then
    fail icon "waybar's tray shows nothing new (see icon-bar.png)"
elif [ "$gw" -ge 16 ] && [ "$gh" -ge 16 ]; then
    pass icon "the icon's drawing spans ${gw}x$gh px of waybar's 22 px slot at $gx,$gy"
else
    fail icon "the icon's drawing spans only ${gw}x$gh px of waybar's 22 px slot at $gx,$gy (see icon-bar.png)"
fi

two_notes() {
    [ "$(notifications "$out/notifications.log" | grep -c .)" -ge 2 ]
}
wait_until 20 two_notes
sleep 4
check_notifications notifications "$en_notes"
# Out of the way of the pictures of the window and the menu.
makoctl dismiss --all

note "idle, no window open: $(usage_of "$app_pid" 20)"

# A second start with --open opens the first one's window and ends.
start_app app-open --open
if wait_until 10 main_window_shown; then
    sleep 1
    screenshot "$out/open.png"
    wait_until 5 bash -c "! kill -0 $(session_pid app-open) 2>/dev/null"
    pass open "--open showed the window: $(app_windows | head -n 1 | tr '\t' ' ')"
    note "idle, window open: $(usage_of "$app_pid" 20)"
else
    screenshot "$out/open.png"
    fail open "--open showed no window (see open.png)"
fi
close_window || fail open "the window did not close"

# Clicks on the icon's centre: the left one opens the window, the right one waybar's menu.
click_x=$((${gx:-990} + ${gw:-22} / 2))
click_y=$((${gy:-4} + ${gh:-22} / 2))
vnc "click:$click_x,$click_y,left"
wait_until 5 main_window_shown
sleep 1
screenshot "$out/left-click.png"
# A menu turned into a window has the window's title too: what it shows tells them apart.
unlike=$(compare -metric AE -fuzz 10% "$out/open.png" "$out/left-click.png" null: 2>&1 |
    awk '{ printf "%d\n", $1 }')
if [ "$(app_windows | grep -c .)" = 1 ] && main_window_shown && [ "${unlike:-786432}" -lt 80000 ]; then
    pass left-click "the window opened, and no other: $(app_windows | tr '\t' ' ') ($unlike pixels differ from the window --open showed)"
else
    fail left-click "expected the window alone, as --open showed it ($unlike pixels differ); the program's windows: $(app_windows | tr '\t' ' ' | paste -sd';')"
fi
close_window || fail left-click "the window did not close"

# Away from the icon, whose tool tip would show in the pictures, onto the bar, which the
# pictures of the menu leave out.
vnc move:10,10
sleep 1.5
screenshot "$out/before-menu.png"
vnc "click:$click_x,$click_y,right"
# waybar fills the menu once it has read the exported items.
menu_shown() {
    screenshot "$out/menu.png"
    menu_box=$(changed_box "$out/before-menu.png" "$out/menu.png" 0 30 1024 738)
    local height
    read -r _ height _ _ <<<"$menu_box"
    [ "${height:-0}" -ge 150 ]
}
menu_box=
wait_until 5 menu_shown
sleep 0.5
menu_shown
if [ -n "$menu_box" ] && no_app_window; then
    pass right-click "waybar shows the menu (${menu_box// /,}), and the program opened no window of its own"
else
    fail right-click "menu ${menu_box:-not drawn}; the program's windows: $(app_windows | tr '\t' ' ' | paste -sd';')"
fi

# Quit, the menu's last item, about 12 pixels above its lower edge.
read -r mw mh mx my <<<"$menu_box"
vnc "click:$((${mx:-0} + ${mw:-0} / 2)),$((${my:-0} + ${mh:-0} - 12)),left"
ends_cleanly menu-quit "$app_pid" "$out/app.pid" "Quit in waybar's menu" ||
    screenshot "$out/menu-quit.png"

echo "wayland session: $failures failed, $((SECONDS - started)) s; logs and screenshots in $out"
[ "$failures" = 0 ]

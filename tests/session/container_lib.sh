# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# The pieces of a container test: arguments, a system booted with systemd-nspawn over an overlay
# of /, commands run inside it as root or as the test user, daemons with pid and log files, and
# the user's X desktop with tint2's tray and the program's icon and windows. A test sets `script`
# to its name, sources this with its own arguments (BUILD_DIR SOURCE_DIR OUT_DIR) and installs
# `cleanup` as its EXIT trap. Sourced by bash.

[ "$#" -eq 3 ] || {
    echo "usage: $script BUILD_DIR SOURCE_DIR OUT_DIR" >&2
    exit 2
}
build=$(realpath -- "$1")
source_dir=$(realpath -- "$2")
out=$3
mkdir -p -- "$out"
out=$(realpath -- "$out")

user=nvuser
display=:57
# Inside the container; not /tmp, which the container mounts afresh.
inner=/var/tmp/nv-test
user_home=/home/$user
app_home=$user_home/nattervane-home
helper_conf=/etc/nattervane/helper.conf

# How long the container may live at most, and what else systemd-nspawn is told.
container_seconds=300
nspawn_options=()
top=""
merged=""
nspawn_pid=""
init_pid=""
background_pids=()
daemons=()
menu_window=""
started=$SECONDS

say() {
    printf '%s: [%3ds] %s\n' "${script%.sh}" "$((SECONDS - started))" "$*"
}

fail() {
    echo "${script%.sh}: FAIL: $*" >&2
    hold
    exit 1
}

hold() {
    [ -n "${NV_CONTAINER_HOLD:-}" ] || return 0
    say "holding for $NV_CONTAINER_HOLD s (init pid $init_pid, root $merged)"
    sleep "$NV_CONTAINER_HOLD"
}

# The one case that is not a failure: this machine cannot run the container at all.
cannot() {
    echo "${script%.sh}: cannot $1: $2"
    skipped=yes
    exit 0
}
skipped=no
[ -e /run/systemd/nspawn ] && nspawn_run_existed=yes || nspawn_run_existed=no

# ---------------------------------------------------------------------------------------------
# Running things inside the container.

# Enters the container as root with a clean environment; set once the container runs.
enter=()
# Joins the cgroup of the container's init; set with `enter`.
join=()

# Runs a command as root inside the container for at most $limit seconds.
inside() {
    timeout "${limit:-30}" "${enter[@]}" "$@"
}

# Becomes the test user (no PAM, so no login session) with its desktop session's environment.
become_user=(setpriv --reuid="$user" --regid="$user" --init-groups
    env -i PATH=/usr/bin:/bin HOME="$user_home" USER="$user" LOGNAME="$user"
    SHELL=/bin/bash LANG=C.UTF-8 DISPLAY="$display" XDG_RUNTIME_DIR="$inner/run"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$inner/run/bus" NATTERVANE_HOME="$app_home")

as_user() {
    timeout "${limit:-30}" "${join[@]}" "${enter[@]}" "${become_user[@]}" "$@"
}

# Starts a long-running program as the test user, with its pid and log files in $inner/log. It
# leads its own process group, so stopping it stops its children too. Started without a
# function or subshell around it, so that $! is the process itself.
start_daemon() {
    local name=$1
    shift
    # shellcheck disable=SC2016 # $$, $0 and $@ are the inner shell's.
    timeout "$container_seconds" "${join[@]}" "${enter[@]}" "${become_user[@]}" setsid \
        sh -c 'echo $$ >"$0.pid"; exec "$@" >"$0.log" 2>&1' "$inner/log/$name" "$@" \
        </dev/null &
    background_pids+=("$!")
    daemons=("$name" "${daemons[@]}")
}

# The same as root.
start_root_daemon() {
    local become_user=()
    start_daemon "$@"
}

# Stops the daemons started above, newest first, by the process groups their pid files name,
# then the upstream name server of the systemd-resolved checks. One that ended on its own is
# passed over.
stop_daemons() {
    local name pid
    for name in "${daemons[@]}"; do
        pid=$(cat "$merged$inner/log/$name.pid" 2>/dev/null) || continue
        limit=5 inside kill -TERM -- "-$pid" 2>/dev/null || true
    done
    pid=$(cat "$merged$inner/log/upstream.pid" 2>/dev/null) || return 0
    limit=5 inside kill -TERM "$pid" 2>/dev/null
}

# Retries a command every half second until it succeeds or $1 seconds pass.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.5
    done
}

# Takes a screenshot of the whole display; the cleanup copies it to OUT_DIR with the logs.
shot() {
    as_user import -window root "$inner/log/$1.png" || say "screenshot $1 failed"
}

# ---------------------------------------------------------------------------------------------
# The container.

mount_overlay() {
    top=$(mktemp -d /var/tmp/nv-container.XXXXXX)
    mount -t tmpfs -o mode=0755,size=2g nv-container "$top" ||
        cannot "mount a tmpfs for the overlay" "mount -t tmpfs failed"
    mkdir "$top/upper" "$top/work" "$top/merged"
    mount -t overlay overlay -o "lowerdir=/,upperdir=$top/upper,workdir=$top/work" \
        "$top/merged" || cannot "mount an overlay of /" "mount -t overlay failed"
    merged=$top/merged
}

# The cgroup v2 folder of the container's init, as this machine sees it. The user's programs join
# it, as on a booted system, so that programs attached at the container's cgroup root see them.
init_group() {
    local mount
    mount=$(awk '{ for (i = 7; $i != "-"; i++) {} } $(i + 1) == "cgroup2" { print $5; exit }' \
        /proc/self/mountinfo)
    echo "$mount$(sed -n 's/^0:://p' "/proc/$init_pid/cgroup")"
}

# The container's init: the grandchild of the timeout around systemd-nspawn, once it has become
# systemd and moved into its own scope.
find_init() {
    local child pid
    for child in $(ps -o pid= --ppid "$nspawn_pid"); do
        for pid in $(ps -o pid= --ppid "$child"); do
            if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = systemd ] &&
                grep -q '^0::/.*/init\.scope$' "/proc/$pid/cgroup"; then
                init_pid=$pid
                join=(sh -c 'echo $$ >"$0" && exec "$@"' "$(init_group)/cgroup.procs")
                enter=(nsenter -t "$init_pid" -a
                    env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8)
                return 0
            fi
        done
    done
    return 1
}

system_up() {
    state=$(limit=60 inside systemctl is-system-running --wait 2>/dev/null) || true
    case $state in
    running | degraded) say "system is $state" ;;
    *) return 1 ;;
    esac
}

boot() {
    say "booting $merged"
    # The timeout ends the container even if this script is killed before its cleanup.
    # The build and the source tree are bound at their own paths: the overlay holds them too,
    # but not when they lie under /tmp, which the container mounts afresh.
    timeout --kill-after=10 "$container_seconds" systemd-nspawn -D "$merged" --private-network \
        --register=no --keep-unit --console=passive --bind-ro="$source_dir" --bind="$build" \
        "${nspawn_options[@]}" -b systemd.firstboot=no >"$out/nspawn.log" 2>&1 </dev/null &
    nspawn_pid=$!
    echo "$nspawn_pid" >"$out/nspawn.pid"
    wait_for 30 find_init ||
        cannot "boot the system with systemd-nspawn" \
            "no systemd process appeared under systemd-nspawn in 30 s: $(tail -3 "$out/nspawn.log")"
    local state
    system_up || cannot "boot the system with systemd-nspawn" \
        "systemctl is-system-running said \"$state\", not running or degraded, within 60 s"
    if [ "$(inside systemctl is-system-running)" = degraded ]; then
        inside systemctl --failed --no-pager --plain >"$out/failed-units.txt" 2>&1 || true
    fi
}

stop_container() {
    [ -n "$nspawn_pid" ] || return 0
    if [ -n "$init_pid" ] && kill -0 "$nspawn_pid" 2>/dev/null; then
        stop_daemons
        limit=10 inside systemctl poweroff --no-block >/dev/null 2>&1 || true
    fi
    local i
    for i in $(seq 40); do
        kill -0 "$nspawn_pid" 2>/dev/null || break
        # SIGTERM (passed on by timeout) asks systemd-nspawn for an orderly shutdown.
        [ "$i" -eq 30 ] && kill -TERM "$nspawn_pid" 2>/dev/null
        [ "$i" -eq 38 ] && kill -KILL "$nspawn_pid" 2>/dev/null
        sleep 0.5
    done
    wait "$nspawn_pid" 2>/dev/null || true
}

not_running() {
    ! kill -0 "$1" 2>/dev/null
}

cleanup() {
    local status=$?
    set +e
    local pid
    # They end with the container; disowned, the shell does not report each one's signal.
    for pid in "${background_pids[@]}"; do
        disown "$pid" 2>/dev/null
    done
    if [ -n "$init_pid" ] && kill -0 "$init_pid" 2>/dev/null; then
        limit=10 inside journalctl -b --no-pager >"$out/journal.txt" 2>&1
    fi
    stop_container
    if [ -n "$merged" ] && [ -d "$merged$inner/log" ]; then
        cp -r -- "$merged$inner/log/." "$out/" 2>/dev/null
    fi
    for pid in "${background_pids[@]}"; do
        wait_for 5 not_running "$pid" || kill -KILL "$pid" 2>/dev/null
    done
    if [ -n "$top" ]; then
        mountpoint -q "$top/merged" && umount "$top/merged"
        mountpoint -q "$top/bpf" && umount "$top/bpf"
        mountpoint -q "$top" && umount "$top"
        rmdir "$top/merged" "$top/upper" "$top/work" "$top/bpf" 2>/dev/null
        rmdir "$top" || echo "${script%.sh}: could not remove $top" >&2
    fi
    # systemd-nspawn leaves this behind; drop it unless it was there before.
    [ "$nspawn_run_existed" = yes ] || rm -rf /run/systemd/nspawn
    if [ "$status" -eq 0 ] && [ "$skipped" = no ]; then
        say "passed"
    fi
    exit "$status"
}

# ---------------------------------------------------------------------------------------------
# Setting up the system inside.

install_build() {
    say "installing the build inside"
    limit=120 inside cmake --install "$build" --prefix /usr >"$out/install.log" 2>&1 ||
        fail "cmake --install inside the container failed (see $out/install.log)"
    local file
    for file in /usr/bin/nattervane /usr/bin/nattervane-helper \
        /usr/share/nattervane/helper/nv-install.sh; do
        inside test -e "$file" || fail "cmake --install did not install $file"
    done
    inside test -e /usr/share/polkit-1/actions/app.orvelle.nattervane.policy ||
        say "note: no polkit action file app.orvelle.nattervane.policy installed yet"
}

add_user() {
    inside useradd -m -s /bin/bash "$user" || fail "useradd $user failed"
    inside install -d -m 0755 "$inner"
    inside install -d -o "$user" -g "$user" -m 0700 "$inner/run"
    inside install -d -o "$user" -g "$user" -m 0755 "$inner/log"
}

start_polkit() {
    inside systemctl start polkit.service || fail "polkit.service did not start"
}

# Lets the test user run the helper's install and removal through pkexec without a password.
allow_user() {
    mkdir -p "$merged/etc/polkit-1/rules.d"
    cat >"$merged/etc/polkit-1/rules.d/50-nattervane-test.rules" <<EOF
polkit.addRule(function (action, subject) {
    if (subject.user == "$user" &&
        (action.id.indexOf("app.orvelle.nattervane") == 0 ||
         action.id == "org.freedesktop.policykit.exec")) {
        return polkit.Result.YES;
    }
});
EOF
    chmod 0644 "$merged/etc/polkit-1/rules.d/50-nattervane-test.rules"
    # polkitd reads a new rules file on its own; a restart makes sure it has before going on.
    inside systemctl restart polkit.service || fail "polkit.service did not restart"
}

# ---------------------------------------------------------------------------------------------
# The desktop session and the clicks.

# The window tree, read whole (grep -q would cut xwininfo off and fail the pipe).
windows() {
    as_user xwininfo -root -tree
}

tray_shown() {
    windows | grep '"tint2"' >/dev/null
}

# The program's windows at the top level (direct children of the root window, indented five
# spaces), as "ID WIDTHxHEIGHT+X+Y"; 1x1 helper windows left out.
app_windows() {
    windows | awk '/^     0x/ && /\("nattervane" "Nattervane"\)/ && !/ 1x1\+/ {
        print $1, $(NF - 1) }'
}

# Sets icon_x and icon_y to the centre of the program's icon docked in tint2's tray.
find_icon() {
    local geometry
    geometry=$(windows | awk '/^         +0x/ && /\("nattervane" "Nattervane"\)/ {
        print $(NF - 1), $NF }' | head -1)
    [ -n "$geometry" ] || return 1
    local size=${geometry%%+*} place=${geometry##* }
    local width=${size%x*} height=${size#*x}
    place=${place#+}
    icon_x=$((${place%+*} + width / 2))
    icon_y=$((${place#*+} + height / 2))
}

# Clicks the tray icon and waits for the menu to show; sets menu_window to its id.
open_menu() {
    wait_for 5 no_window_shown || fail "a window of the program is still open: $(app_windows)"
    as_user xdotool mousemove "$icon_x" "$icon_y" click 1 || fail "xdotool could not click"
    wait_for 5 window_shown || fail "clicking the tray icon at $icon_x,$icon_y opened no menu"
    menu_window=$(app_windows | head -1)
    menu_window=${menu_window%% *}
    sleep 0.3
}

window_shown() {
    [ -n "$(app_windows)" ]
}

no_window_shown() {
    ! window_shown
}

# The first of the program's windows that is not its menu, as "ID GEOMETRY".
other_window() {
    app_windows | awk -v menu="$menu_window" '$1 != menu { print; exit }' | grep .
}

# Types keys into whatever has the keyboard (an open menu grabs it).
keys() {
    as_user xdotool key --delay 250 "$@" || fail "xdotool could not type $*"
    sleep 0.3
}

start_app() {
    say "starting nattervane as $user"
    # The first-run hint at the icon counts as shown: its balloon is a window of the program.
    as_user mkdir -p "$app_home"
    as_user touch "$app_home/tray-hint-shown"
    start_daemon nattervane /usr/bin/nattervane
    wait_for 20 find_icon || fail "no Nattervane icon docked in the tray (see $out/nattervane.log)"
    say "icon docked at $icon_x,$icon_y"
    # The first scan lists the held connection; its journal line shows that it did.
    wait_for 20 inside grep -rq "$address" "$app_home/journal" ||
        fail "the program did not see the connection to $address within 20 s"
}

start_desktop() {
    say "starting Xvfb, the session bus and tint2"
    # -noreset: the root window's properties must outlive the short-lived clients.
    start_daemon xvfb Xvfb "$display" -screen 0 1024x600x24 -nolisten tcp -noreset
    wait_for 15 as_user xwininfo -root || fail "Xvfb did not start (see $out/xvfb.log)"
    # tint2 waits 15 s for a window manager to announce the desktops; announce them instead.
    as_user xprop -root -f _NET_NUMBER_OF_DESKTOPS 32c -set _NET_NUMBER_OF_DESKTOPS 1
    as_user xprop -root -f _NET_CURRENT_DESKTOP 32c -set _NET_CURRENT_DESKTOP 0
    start_daemon dbus dbus-daemon --session --nofork --nopidfile \
        --address="unix:path=$inner/run/bus"
    wait_for 10 inside test -S "$inner/run/bus" || fail "the session bus did not start"
    cp -- "$source_dir/tests/session/container_tint2rc" "$merged$inner/tint2rc"
    start_daemon tint2 tint2 -c "$inner/tint2rc"
    wait_for 15 tray_shown || fail "tint2 shows no window (see $out/tint2.log)"
}

#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The event service under a real systemd booted in a container (systemd-nspawn over an overlay of
# /), with the program running as a normal user on Xvfb. With the service installed, 300
# connections of 1-50 ms made by three programs (one that exits with its connection open, one a
# short-lived child of a shell, one making them all) must be journaled with the right program.
# Killed with SIGKILL, the service leaves connections working, the program falls back to scanning
# within a scan, and when systemd restarts it the events resume. A user other than the installing
# one is refused. Without the service, a root service's connection is named by its unit, and a
# connection its program closed before any scan saw it is said to be so, with no notification.
# A connection whose destination is to be asked about waits, with no byte reaching its server,
# until it is answered with nattervane-cli: let through once it connects and the next one is
# asked about again, blocked once the program hears at once; 50 programs asking at once give 50
# questions while an unrelated program's connections keep their latency, and go through at the
# deadline unanswered; 20 waiting complete by retransmission when the service is killed; with
# the program quit nothing is held. Which of the kernel's two queue paths ran is said.
# Rules for one program, made with nattervane-cli through the running program: a program blocked
# entirely gets EPERM at once while another reaches the same destination, a rule for a program and
# a destination blocks only that pair, the attempts are journaled as blocked by their rule, a
# replaced executable stays blocked, a removed rule lets it connect again within a second, the
# block holds while the service is killed and restarted and while it is stopped, and after the
# container reboots; uninstalling removes the hooks. The destinations live in a network namespace of
# their own inside the container. With the helper installed the system journal's namespace
# nattervane is there, and after `nattervane-cli export on` the user's records reach
# `journalctl --namespace=nattervane`, stamped with the user's uid.
# Usage (as root): events.sh BUILD_DIR SOURCE_DIR OUT_DIR
set -euo pipefail

script=events.sh
# shellcheck source=tests/session/container_lib.sh
. "$(dirname -- "$0")/container_lib.sh"

# A root service loading BPF programs has these; systemd-nspawn keeps them from a container
# unless asked.
nspawn_options=(--capability=CAP_BPF,CAP_PERFMON,CAP_NET_ADMIN --system-call-filter=bpf)
container_seconds=600

port=80
# One network of destinations per program, each address named in the container's /etc/hosts.
networks=(203.0.113 198.51.100 192.0.2)
programs=(nv-once nv-child nv-burst)
root_address=203.0.113.200
ad_address=203.0.113.201
ad_host=stats.g.doubleclick.net
log=$inner/log/nattervane.log

# The destinations: addresses of a network namespace behind a veth pair, where a server takes
# every connection and closes its end only after the client did, so that TIME-WAIT stays with
# the client. Made again after a reboot.
add_network() {
    inside ip netns add nvpeer || fail "cannot make the destinations' namespace"
    inside ip link add nv0 type veth peer name nv1 netns nvpeer
    inside ip address add 10.77.0.1/30 dev nv0
    inside ip link set nv0 up
    local net
    for command in "ip address add 10.77.0.2/30 dev nv1" "ip link set nv1 up" "ip link set lo up"; do
        # shellcheck disable=SC2086 # one word per argument
        inside ip netns exec nvpeer $command
    done
    for net in "${networks[@]}"; do
        inside ip netns exec nvpeer ip address add "$net.254/24" dev lo
        inside ip route add "$net.0/24" via 10.77.0.2
    done
    # shellcheck disable=SC2016 # the server's own code
    start_root_daemon peer_server ip netns exec nvpeer python3 -c '
import socketserver
class Client(socketserver.BaseRequestHandler):
    def handle(self):
        while self.request.recv(4096):
            pass
socketserver.ThreadingTCPServer.allow_reuse_address = True
socketserver.ThreadingTCPServer.daemon_threads = True
socketserver.ThreadingTCPServer.request_queue_size = 4096
socketserver.ThreadingTCPServer(("0.0.0.0", 80), Client).serve_forever()'
    # Tried from within, so that no connection of the test's own is journaled.
    wait_for 10 inside ip netns exec nvpeer timeout 1 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" ||
        fail "nothing accepts connections in the destinations' namespace"
}

# Their names, and the test's programs.
add_destinations() {
    add_network
    {
        for net in 0 1 2; do
            for i in $(seq 1 100); do
                echo "${networks[net]}.$i ${programs[net]}-$i.example"
            done
        done
        echo "$root_address root-peer.example"
        echo "$ad_address $ad_host"
    } >>"$merged/etc/hosts"
    local program
    for program in "${programs[@]}"; do
        inside install -m 0755 "$build/tests/system/short_connections" "/usr/local/bin/$program"
    done
}

start_session() {
    start_desktop
    start_daemon notifications dbus-monitor --session \
        "type='method_call',interface='org.freedesktop.Notifications',member='Notify'"
    start_daemon dunst dunst
    say "starting nattervane as $user"
    start_daemon nattervane /usr/bin/nattervane
    wait_for 20 find_icon || fail "no Nattervane icon docked in the tray (see $out/nattervane.log)"
    wait_for 10 inside test -d "$app_home/helper" || fail "the program made no helper folder"
}

# How many times the program's log says its connections came from `text`.
source_lines() {
    grep -c "connections come from $1" "$merged$log" || true
}

# Whether the log says so more than $2 times.
more_lines() {
    [ "$(source_lines "$1")" -gt "$2" ]
}

install_service() {
    say "installing the helper and the event service"
    limit=120 inside /usr/share/nattervane/helper/nv-install.sh "$app_home/helper" "$user" \
        >"$out/install-helper.log" 2>&1 || fail "nv-install.sh failed (see $out/install-helper.log)"
    wait_for 10 inside systemctl is-active --quiet nattervane-events.service ||
        fail "nattervane-events.service is not active: $(inside systemctl status --no-pager \
            nattervane-events.service 2>&1 | tail -5)"
    wait_for 15 grep -q "connections come from kernel events + netlink" "$merged$log" ||
        fail "the program did not take the events within a scan (see $out/nattervane.log)"
    say "the service runs and the program takes its events"
}

# Whether the journal namespace nattervane holds a record of a journal entry.
# Read whole: grep -q ending first would fail the pipe with SIGPIPE once there are many.
namespace_has_record() {
    [ -n "$(inside journalctl --namespace=nattervane -q -o cat -n 1 \
        MESSAGE_ID=055a4303ddf34ad5be35671ad94e473f)" ]
}

# The helper keeps the journal namespace there; the user's switch is turned on with the
# command-line tool, through the running program.
export_on() {
    wait_for 10 inside test -S /run/systemd/journal.nattervane/socket ||
        fail "no socket of the journal namespace nattervane after installing the helper"
    limit=10 as_user nattervane-cli export on >"$out/export-cli.txt" 2>&1 ||
        fail "nattervane-cli export on failed: $(tail -2 "$out/export-cli.txt")"
}

# The entries journaled since reached the namespace as the user's records.
check_journal_export() {
    wait_for 30 namespace_has_record || {
        {
            inside cat "$app_home/settings.json"
            inside ls -la /run/systemd/journal.nattervane /var/log/journal
            inside journalctl --namespace=nattervane -n 5 -o json
            inside systemctl status --no-pager systemd-journald@nattervane.socket \
                systemd-journald@nattervane.service nattervane-journal.service
        } >"$out/export-namespace.txt" 2>&1
        fail "no Nattervane record in journalctl --namespace=nattervane (see $out/export-namespace.txt)"
    }
    inside journalctl --namespace=nattervane -o json -n 1 \
        MESSAGE_ID=055a4303ddf34ad5be35671ad94e473f >"$out/export-record.json"
    grep -q "\"_UID\":\"$(inside id -u "$user")\"" "$out/export-record.json" ||
        fail "the namespace's record is not stamped with $user's uid (see $out/export-record.json)"
    say "the user's records reach journalctl --namespace=nattervane, stamped with the user's uid"
}

# Ends the program and starts it again with scans every `$1` seconds, in language $2 (en).
restart_app() {
    local pid
    pid=$(cat "$merged$inner/log/nattervane.pid")
    limit=5 inside kill -TERM -- "-$pid" 2>/dev/null || true
    wait_for 10 not_alive "$pid" || fail "the program did not end at SIGTERM"
    printf '{"quiet":false,"interval":%s,"language":"%s","showLocal":false,"paused":false}\n' \
        "$1" "${2:-en}" | as_user tee "$app_home/settings.json" >/dev/null
    # The first-run hint counts as shown: only the notifications of connections are counted.
    as_user touch "$app_home/tray-hint-shown"
    : >"$merged$log"
    start_daemon nattervane /usr/bin/nattervane
    wait_for 15 grep -q "connections come from kernel events + netlink" "$merged$log" ||
        fail "the program did not take the events at its first scan (see $out/nattervane.log)"
}

not_alive() {
    ! inside kill -0 "$1"
}

# Milliseconds since the epoch.
now_ms() {
    echo $(($(date +%s%N) / 1000000))
}

# With a scan only every 60 s, a connection to a tracker is told as it is made: its notification
# comes from the events alone.
check_live() {
    say "a connection shows before any scan (scans every 60 s)"
    restart_app 60
    sleep 2
    local notices=$merged$inner/log/notifications.log connected elapsed i client
    connected=$(now_ms)
    as_user python3 -c "import socket, time
s = socket.create_connection(('$ad_address', $port))
time.sleep(20)" >"$out/live-client.log" 2>&1 &
    client=$!
    for i in $(seq 1 100); do
        grep -q "is sending data" "$notices" && break
        sleep 0.05
    done
    elapsed=$(($(now_ms) - connected))
    grep -q "is sending data" "$notices" ||
        fail "no notification of the tracker within 5 s of connect() (see $out/notifications.log)"
    say "the tracker was told $elapsed ms after connect(), no scan between"
    [ "$elapsed" -le 1500 ] || fail "the tracker was told only $elapsed ms after connect()"
    shot 1-live
    # Open still when the program starts again, so that its first scan finds the program and the
    # journal is not left with a closed socket of nobody known.
    restart_app 5
    wait "$client" || fail "the client could not connect (see $out/live-client.log)"
}

# The journal the program saves every 30 s, as "APP<TAB>DEST" lines.
journal_lines() {
    as_user nattervane-cli journal --json 2>/dev/null | python3 -c '
import json, sys
for entry in json.load(sys.stdin):
    print(entry["app"] + "\t" + entry["dest"])'
}

# How many of the 100 destinations of program `$1` are journaled with that program.
journaled_right() {
    journal_lines | awk -F '\t' -v program="$1" '
        $2 ~ "^" program "-[0-9]+\\.example$" && $1 == program { right[$2] = 1 }
        END { print length(right) }'
}

check_connections() {
    say "300 connections of 1-50 ms by three programs"
    local once=() child=() burst=() i
    for i in $(seq 1 100); do
        once+=("${networks[0]}.$i")
        child+=("${networks[1]}.$i")
        burst+=("${networks[2]}.$i")
    done
    # shellcheck disable=SC2016 # the loops are the inner shell's
    limit=120 as_user bash -c '
        port=$1
        shift
        for ip in "${@:1:100}"; do /usr/local/bin/nv-once --exit "$port" "$ip" >/dev/null; done &
        for ip in "${@:101:100}"; do bash -c "/usr/local/bin/nv-child $port $ip >/dev/null; true"
        done &
        /usr/local/bin/nv-burst "$port" "${@:201:100}" >/dev/null &
        wait' connections "$port" "${once[@]}" "${child[@]}" "${burst[@]}" ||
        fail "the test programs could not make their connections"
    local program total=0 right
    # Two scans, then the journal's next save.
    wait_for 45 all_journaled || true
    journal_lines >"$out/journal-events.txt"
    for program in "${programs[@]}"; do
        right=$(journaled_right "$program")
        say "$program: $right of 100 connections journaled with the program"
        total=$((total + right))
    done
    [ "$total" -ge 297 ] || fail "only $total of 300 connections were journaled with their program"
    ! grep -q "Program not seen\|Unknown program\|^?" "$out/journal-events.txt" ||
        fail "a connection was journaled without its program (see $out/journal-events.txt)"
    local by_address
    by_address=$(grep -cE $'\t(203\\.0\\.113|198\\.51\\.100|192\\.0\\.2)\\.[0-9]+$' \
        "$out/journal-events.txt" || true)
    say "$by_address named destinations journaled by their address"
    [ "$by_address" -le 3 ] || fail "named destinations were journaled by their address too"
}

all_journaled() {
    local program
    for program in "${programs[@]}"; do
        [ "$(journaled_right "$program")" -ge 99 ] || return 1
    done
}

check_kill() {
    say "killing the event service with SIGKILL"
    local lost_before returned_before
    lost_before=$(source_lines "netlink (the event service")
    returned_before=$(source_lines "kernel events")
    inside systemctl kill --signal=KILL --kill-whom=main nattervane-events.service
    limit=5 as_user /usr/local/bin/nv-once 80 "${networks[0]}.150" >/dev/null ||
        fail "a connection failed right after the service was killed"
    local killed=$SECONDS
    wait_for 8 more_lines "netlink (the event service" "$lost_before" ||
        fail "the program did not fall back to scanning within a scan (see $out/nattervane.log)"
    wait_for 20 more_lines "kernel events" "$returned_before" ||
        fail "the events did not resume after systemd restarted the service"
    say "connections kept working; the program scanned alone, then took the events again \
($((SECONDS - killed)) s after the kill)"
    local i ips=()
    for i in $(seq 151 160); do ips+=("${networks[0]}.$i"); done
    limit=20 as_user /usr/local/bin/nv-burst 80 "${ips[@]}" >/dev/null
    wait_for 45 resumed_journaled ||
        fail "connections after the restart were not journaled with their program"
}

resumed_journaled() {
    # Addresses without a name in the hosts file.
    [ "$(journal_lines | grep -cE "^nv-burst"$'\t'"${networks[0]//./\\.}\.(15[1-9]|160)$")" -ge 10 ]
}

check_refusal() {
    local said
    said=$(limit=10 inside setpriv --reuid=65534 --regid=65534 --clear-groups \
        timeout 3 nattervane-cli watch --count 1 2>&1 >/dev/null || true)
    echo "$said" >"$out/refused.txt"
    grep -q "serves only the user who installed it, not user 65534" <<<"$said" ||
        fail "another user was not refused: $said"
    say "another user is refused: $(head -1 <<<"$said")"
}

check_without_service() {
    say "without the event service"
    local notices=$merged$inner/log/notifications.log told_before
    told_before=$(wc -l <"$notices")
    inside systemctl stop nattervane-events.service
    wait_for 8 grep -q "netlink (the event service is not running)" "$merged$log" ||
        fail "the program did not say that the event service is not running"
    inside systemd-run --unit=nv-test-root --description="Nattervane test root service" \
        python3 -c "import socket, time
s = socket.create_connection(('$root_address', $port))
time.sleep(120)" >"$out/root-unit.log" 2>&1
    # Closed by the program at once: only TIME-WAIT is left for the scan to find.
    limit=5 as_user /usr/local/bin/nv-once 80 "$ad_address" >/dev/null
    wait_for 45 journal_has "Nattervane test root service (nv-test-root.service)"$'\t'"root-peer.example" ||
        fail "the root service's connection was not named by its unit: $(journal_lines |
            grep -e nv-test-root -e "$root_address" -e root-peer | head -3 | tr '\n\t' '; ')"
    wait_for 45 journal_has "Program not seen (closed first)"$'\t'"$ad_host" ||
        fail "the closed connection to $ad_host was not journaled as closed before it was seen"
    journal_lines >"$out/journal-scans.txt"
    ! tail -n "+$((told_before + 1))" "$notices" | grep -q "is sending data" ||
        fail "a notification said a program is sending data: $(tail -n "+$((told_before + 1))" \
            "$notices" | grep -A3 "is sending data" | head -5)"
    say "a root service is named by its unit; TIME-WAIT is labelled and raised no notification"
}

journal_has() {
    grep -qxF "$1" <<<"$(journal_lines)"
}

# The test's program under another name: a copy elsewhere is another program.
program_copy() {
    inside install -m 0755 "$build/tests/system/short_connections" "$1"
}

rule() {
    limit=10 as_user nattervane-cli rules "$@" >>"$out/rules-cli.txt" 2>&1 ||
        fail "nattervane-cli rules $* failed: $(tail -2 "$out/rules-cli.txt")"
}

# One connection by program $1 to $2: "ok", or why connect() failed.
attempt_by() {
    local said
    said=$(limit=5 as_user timeout 2 "$1" "$port" "$2" 2>&1 >/dev/null) && echo ok ||
        echo "${said:-did not finish}"
}

# Whether a connection by program $1 to $2 ends as $3.
attempt_is() {
    [ "$(attempt_by "$1" "$2")" = "$3" ]
}

check_program_rules() {
    say "rules for one program, made through the running program"
    program_copy /usr/local/bin/nv-blocked
    program_copy /usr/local/bin/nv-free
    local to=${networks[1]}.150 refused="Operation not permitted" began
    rule set '*' block --program /usr/local/bin/nv-blocked
    grep -q "changed by the running application" "$out/rules-cli.txt" ||
        fail "the rule did not go through the running program: $(cat "$out/rules-cli.txt")"
    wait_for 3 attempt_is /usr/local/bin/nv-blocked "$to" "$refused" ||
        fail "a blocked program still connects: $(attempt_by /usr/local/bin/nv-blocked "$to")"
    began=$(date +%s%N)
    [ "$(attempt_by /usr/local/bin/nv-blocked "$to")" = "$refused" ] ||
        fail "the blocked program's connection did not fail with EPERM"
    [ $(($(date +%s%N) - began)) -lt 500000000 ] ||
        fail "the refusal took $((($(date +%s%N) - began) / 1000000)) ms, not at once"
    [ "$(attempt_by /usr/local/bin/nv-free "$to")" = ok ] ||
        fail "another program could not reach the same destination"
    say "a blocked program gets EPERM at once; a copy elsewhere reaches the same destination"

    local pair=${networks[1]}.151 other=${networks[1]}.152
    rule set "$pair" block --program /usr/local/bin/nv-free
    wait_for 3 attempt_is /usr/local/bin/nv-free "$pair" "$refused" ||
        fail "the rule for a program and a destination does not block that pair"
    [ "$(attempt_by /usr/local/bin/nv-free "$other")" = ok ] ||
        fail "the rule for one destination blocks another destination too"
    say "a rule for a program and a destination blocks that pair only"

    # A package upgrade puts a new file at the same path.
    program_copy /usr/local/bin/nv-blocked
    wait_for 3 attempt_is /usr/local/bin/nv-blocked "$to" "$refused" ||
        fail "the program connects again after its executable was replaced"
    wait_for 45 journal_has_blocked nv-blocked ||
        fail "the refused attempts are not journaled as blocked by their rule"
    rule remove '*' --program /usr/local/bin/nv-blocked
    wait_for 1 attempt_is /usr/local/bin/nv-blocked "$to" ok ||
        fail "the program still cannot connect a second after its rule was removed"
    say "a replaced executable stays blocked; the attempts are journaled with their rule; \
removed, the rule lets the program connect again"
    rule set '*' block --program /usr/local/bin/nv-blocked
}

# The hooks are pinned: a program blocked entirely stays blocked while the service is killed and
# restarted by systemd, and while it is stopped.
check_block_through_kill() {
    say "killing the event service with SIGKILL while a program is blocked"
    local to=${networks[1]}.150 refused="Operation not permitted" tries=0 escaped=0 until
    local returned_before
    returned_before=$(source_lines "kernel events")
    wait_for 3 attempt_is /usr/local/bin/nv-blocked "$to" "$refused" ||
        fail "the program was not blocked before the kill"
    inside systemctl kill --signal=KILL --kill-whom=main nattervane-events.service
    until=$((SECONDS + 4))
    while [ "$SECONDS" -lt "$until" ]; do
        tries=$((tries + 1))
        attempt_is /usr/local/bin/nv-blocked "$to" "$refused" || escaped=$((escaped + 1))
    done
    [ "$escaped" = 0 ] ||
        fail "the blocked program connected $escaped times of $tries while the service restarted"
    wait_for 10 inside systemctl is-active --quiet nattervane-events.service ||
        fail "systemd did not start the killed service again"
    attempt_is /usr/local/bin/nv-blocked "$to" "$refused" ||
        fail "the block lapsed when the service started again"
    inside systemctl stop nattervane-events.service
    attempt_is /usr/local/bin/nv-blocked "$to" "$refused" || fail "stopping the service lifted the block"
    inside systemctl start nattervane-events.service
    wait_for 20 more_lines "kernel events" "$returned_before" ||
        fail "the program did not take the events again after the service's kill, restart and stop"
    say "the block held through the kill ($tries tries, none through), the restart and a stop"
}

# A program of the installing user holds 1,100 connections to the service's socket that never
# read, while it makes 300 short connections a second for 60 s: the blocked program gets through
# not once, the application keeps taking events (the short connections are journaled with their
# program; its lapses are counted) and the service stays under 64 MB.
check_starving() {
    say "starving the event service: 1,100 idle clients, 300 connections a second for 60 s"
    local to=${networks[1]}.150 refused="Operation not permitted" lost_before tries=0 escaped=0
    local until rss
    lost_before=$(source_lines "netlink (the event service")
    # shellcheck disable=SC2016 # the starver's own code
    start_daemon starver python3 -u -c '
import resource, socket, sys, time
resource.setrlimit(resource.RLIMIT_NOFILE, (4096, resource.getrlimit(resource.RLIMIT_NOFILE)[1]))
idle = []
for _ in range(1100):
    s = socket.socket(socket.AF_UNIX)
    s.settimeout(0.5)
    try:
        s.connect("/run/nattervane-events/socket")
        idle.append(s)
    except OSError:
        s.close()
print(len(idle), "idle clients")
made, failed, start = 0, 0, time.monotonic()
while time.monotonic() < start + 60:
    second = time.monotonic() + 1
    for i in range(300):
        if time.monotonic() > second + 1:
            break
        c = socket.socket()
        c.settimeout(0.5)
        try:
            c.connect((sys.argv[1] + "." + str(101 + i % 150), 80))
        except OSError:
            failed += 1
        c.close()
        made += 1
    time.sleep(max(0, second - time.monotonic()))
print(made, "connections in", round(time.monotonic() - start), "s,", failed, "failed")' "${networks[2]}"
    until=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$until" ]; do
        tries=$((tries + 1))
        attempt_is /usr/local/bin/nv-blocked "$to" "$refused" || escaped=$((escaped + 1))
        sleep 0.2
    done
    local main
    main=$(inside systemctl show -p MainPID --value nattervane-events.service)
    rss=$(inside grep VmRSS "/proc/$main/status" | tr -dc 0-9)
    wait_for 20 grep -q "connections in" "$merged$inner/log/starver.log" ||
        fail "the starving program did not end: $(tr '\n' ' ' <"$merged$inner/log/starver.log")"
    say "starver: $(tr '\n' ' ' <"$merged$inner/log/starver.log")"
    [ "$escaped" = 0 ] || fail "the blocked program connected $escaped times of $tries while starved"
    [ "${rss:-999999}" -lt $((64 * 1024)) ] ||
        fail "the service holds ${rss:-?} kB while starved, not under 64 MB"
    local lapses=$(($(source_lines "netlink (the event service") - lost_before))
    wait_for 45 starved_journaled ||
        fail "the short connections made while starved were not journaled with their program \
($(starved_counts); $lapses lapses)"
    say "while starved the blocked program got through 0 times of $tries, the program took \
the events ($lapses lapses of 3 s without them, each taken up again) and the service held ${rss} kB"
}

# Whether most of the starver's 150 unnamed destinations are journaled as reached by python3.
starved_journaled() {
    [ "$(journal_lines | grep -cE "^python3[.0-9]*"$'\t'"${networks[2]//./\\.}\.[0-9]+$")" -ge 120 ]
}

# How the starver's destinations are journaled: by program, the number of destinations.
starved_counts() {
    journal_lines | grep -E $'\t'"${networks[2]//./\\.}\\.[0-9]+$" | cut -f1 | sort | uniq -c |
        tr -s ' \n' ' '
}

# Only uninstalling removes the pinned hooks: the blocked program connects again.
check_uninstall() {
    say "uninstalling the helper and the event service"
    limit=60 inside /usr/share/nattervane/helper/nv-uninstall.sh >"$out/uninstall.log" 2>&1 ||
        fail "nv-uninstall.sh failed (see $out/uninstall.log)"
    inside test ! -e /sys/fs/bpf/nattervane || fail "the pinned hooks were left after uninstalling"
    attempt_is /usr/local/bin/nv-blocked "${networks[1]}.150" ok ||
        fail "the blocked program still cannot connect after uninstalling"
    say "uninstalled, no hook is left and the program connects"
}

# The destination to ask about, and a server there that counts the connections it accepted.
ask_address=${networks[1]}.160
counter_port=81

start_counter() {
    # shellcheck disable=SC2016 # the server's own code
    start_root_daemon counter ip netns exec nvpeer python3 -u -c '
import socket
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("0.0.0.0", 81))
server.listen(512)
print("listening")
while True:
    client, _ = server.accept()
    print("accepted")
    client.close()'
    wait_for 10 grep -q listening "$merged$inner/log/counter.log" || fail "the counting server did not start"
}

accepted() {
    grep -c '^accepted' "$merged$inner/log/counter.log" || true
}

# Program $1 connects to the destination to ask about in the background; $out/held-$2.log ends
# with "exit STATUS MS": how it ended and how long its connect() took.
held_attempt() {
    # shellcheck disable=SC2016 # the inner shell's
    limit=90 as_user bash -c 'began=$(date +%s%N); "$0" "$1" "$2" 2>&1; echo "exit $? $((($(date +%s%N) - began) / 1000000))"' \
        "$1" "$counter_port" "$ask_address" >"$out/held-$2.log" 2>&1 &
}

held_ended() {
    grep -q '^exit ' "$out/held-$1.log"
}

held_status() {
    sed -n 's/^exit \([0-9]*\) .*/\1/p' "$out/held-$1.log"
}

held_connected() {
    held_ended "$1" && [ "$(held_status "$1")" = 0 ]
}

held_ms() {
    sed -n 's/^exit [0-9]* //p' "$out/held-$1.log"
}

# Whether every attempt $1-1 … $1-$2 ended, and how many of them connected.
all_ended() {
    local i
    for i in $(seq 1 "$2"); do held_ended "$1-$i" || return 1; done
}

connected_of() {
    local i count=0
    for i in $(seq 1 "$2"); do [ "$(held_status "$1-$i")" = 0 ] && count=$((count + 1)); done
    echo "$count"
}

# The questions waiting, one "ID PROGRAM WAITING" line each.
questions() {
    limit=10 as_user nattervane-cli questions --json 2>/dev/null | python3 -c '
import json, sys
for question in json.load(sys.stdin):
    print(question["id"], question["program"], question["waiting"])'
}

question_of() {
    questions | awk -v program="$1" '$2 == program { print $1; exit }'
}

has_question() {
    [ -n "$(question_of "$1")" ]
}

questions_are() {
    [ "$(questions | wc -l)" = "$1" ]
}

waiting_are() {
    [ "$(questions | awk -v program="$1" '$2 == program { print $3 }')" = "$2" ]
}

answer() {
    limit=10 as_user nattervane-cli questions "$1" "$2" >>"$out/questions-cli.txt" 2>&1 ||
        fail "nattervane-cli questions $1 $2 failed: $(tail -2 "$out/questions-cli.txt")"
}

# The p50 and p99 of 200 connect() of an unrelated program, in ms.
latencies() {
    as_user python3 -c '
import socket, sys, time
times = []
for i in range(200):
    began = time.monotonic()
    with socket.create_connection((sys.argv[1] + "." + str(1 + i % 100), 80), timeout=10):
        times.append((time.monotonic() - began) * 1000)
times.sort()
print("%.2f %.2f" % (times[100], times[197]))' "${networks[2]}"
}

# Which of the kernel's two ways of queueing this machine offers, said and checked against the
# service's own status.
check_hold_path() {
    local status
    status=$(inside systemctl show -p StatusText --value nattervane-events.service)
    say "the event service: $status"
    if printf 'table inet probe {\n chain c {\n type filter hook output priority 0;\n queue num 7 bypass\n }\n}\n' |
        inside ip netns exec nvpeer nft -f - 2>/dev/null; then
        inside ip netns exec nvpeer nft delete table inet probe
        grep -q "through nft queue" <<<"$status" || fail "the kernel has nft queue, the service does not use it"
        say "this kernel has nftables' queue expression: the nft queue path runs"
    else
        grep -q "through iptables NFQUEUE" <<<"$status" ||
            fail "the kernel lacks nft queue and the service holds through neither path"
        say "this kernel has no nftables queue expression: the iptables NFQUEUE path runs, the nft \
queue path is skipped here"
    fi
}

# A program connecting to a destination to ask about gets no byte through until it is answered:
# let through once, it connects and the next connection is asked about again; blocked once, the
# program hears at once.
check_held() {
    say "a connection to a destination to ask about waits for the answer"
    check_hold_path
    start_counter
    as_user xdotool mousemove 0 0
    rule set "$ask_address" ask
    program_copy /usr/local/bin/nv-asker
    sleep 1
    held_attempt /usr/local/bin/nv-asker first
    wait_for 10 has_question /usr/local/bin/nv-asker ||
        fail "no question came for the held connection: $(questions) $(cat "$out/held-first.log")"
    sleep 2
    [ "$(accepted)" = 0 ] || fail "the server accepted a connection while its question waited"
    ! held_ended first || fail "the connection ended while its question waited: $(cat "$out/held-first.log")"
    shot 4-question
    answer allow "$(question_of /usr/local/bin/nv-asker)"
    wait_for 5 held_ended first || fail "let through once, the connection did not go on"
    [ "$(held_status first)" = 0 ] || fail "let through once, it failed: $(cat "$out/held-first.log")"
    [ "$(accepted)" = 1 ] || fail "the server accepted $(accepted) connections, not 1"
    say "held $(held_ms first) ms until let through once; then the server accepted it"
    held_attempt /usr/local/bin/nv-asker second
    wait_for 10 has_question /usr/local/bin/nv-asker || fail "the next connection was not asked about"
    answer block "$(question_of /usr/local/bin/nv-asker)"
    wait_for 2 held_ended second || fail "blocked once, the connection did not end at once"
    grep -q "Connection refused" "$out/held-second.log" ||
        fail "blocked once, the program did not hear so: $(cat "$out/held-second.log")"
    [ "$(accepted)" = 1 ] || fail "a connection blocked once reached the server"
    say "asked again next time; blocked once, the program heard \"Connection refused\" at once"
}

# 50 programs asking at once give 50 questions, an unrelated program's connections keep their
# latency, and unanswered the connections go through at the deadline.
check_held_many() {
    say "50 programs ask at once; nobody answers"
    local i before during began
    before=$(latencies)
    for i in $(seq 1 50); do program_copy "/usr/local/bin/nv-ask-$i"; done
    began=$SECONDS
    for i in $(seq 1 50); do held_attempt "/usr/local/bin/nv-ask-$i" "many-$i"; done
    wait_for 20 questions_are 50 || fail "$(questions | wc -l) questions for 50 programs asking"
    during=$(latencies)
    shot 5-questions
    say "an unrelated program's connect() p50 and p99: ${before// / ms, } ms before, ${during// / ms, } ms while 50 wait"
    python3 -c 'import sys; sys.exit(float(sys.argv[2]) > float(sys.argv[1]) + 50)' \
        "${before#* }" "${during#* }" || fail "the held connections stalled other traffic"
    wait_for 60 all_ended many 50 || fail "unanswered connections still wait $((SECONDS - began)) s later"
    [ "$(connected_of many 50)" = 50 ] || fail "only $(connected_of many 50) of 50 went through at the deadline"
    [ "$(held_ms many-1)" -ge 25000 ] || fail "the first went through after $(held_ms many-1) ms, before the deadline"
    say "unanswered, all 50 went through at the deadline, the first after $(held_ms many-1) ms"
}

# The service killed while 20 connections wait: they complete by retransmission, and new ones
# are not held while it is gone.
check_held_kill() {
    say "killing the event service with SIGKILL while 20 connections wait"
    local i killed
    for i in $(seq 1 20); do held_attempt /usr/local/bin/nv-asker "kill-$i"; done
    wait_for 15 waiting_are /usr/local/bin/nv-asker 20 || fail "the 20 connections do not wait: $(questions)"
    inside systemctl kill --signal=KILL --kill-whom=main nattervane-events.service
    killed=$(now_ms)
    held_attempt /usr/local/bin/nv-asker gone
    wait_for 10 all_ended kill 20 || fail "the held connections did not complete after the kill"
    [ "$(connected_of kill 20)" = 20 ] || fail "only $(connected_of kill 20) of 20 completed after the kill"
    wait_for 3 held_connected gone ||
        fail "a connection made while the service was gone was held or failed"
    say "after the kill the 20 completed within $(($(now_ms) - killed)) ms; a new one was not held"
    wait_for 10 inside systemctl is-active --quiet nattervane-events.service ||
        fail "systemd did not start the killed service again"
}

# With the program quit nobody can answer: nothing is held.
check_held_quit() {
    say "the program quits: nothing is held"
    local pid
    pid=$(cat "$merged$inner/log/nattervane.pid")
    limit=5 inside kill -TERM -- "-$pid" 2>/dev/null || true
    wait_for 10 not_alive "$pid" || fail "the program did not end at SIGTERM"
    sleep 1
    held_attempt /usr/local/bin/nv-asker quit
    wait_for 3 held_connected quit ||
        fail "with the program quit a connection was held: $(cat "$out/held-quit.log")"
    say "with the program quit the connection went through in $(held_ms quit) ms"
    restart_app 5
}

# The rules file's rule for a program and a destination: its action, or nothing.
rule_action() {
    as_user nattervane-cli rules --json 2>/dev/null | python3 -c '
import json, sys
for rule in json.load(sys.stdin)["rules"]:
    if rule["target"] == sys.argv[1] and rule.get("program") == sys.argv[2]:
        print(rule["action"])' "$1" "$2"
}

rule_is() {
    [ "$(rule_action "$1" "$2")" = "$3" ]
}

# Answered in the question window with the keyboard, as a person without a mouse would: "Always"
# chosen, then Block. The program hears at once, the rule is written and the next connection is
# refused by it at once. Then the same question in Russian.
check_held_always() {
    say "\"block always\" answered in the question window"
    local window
    held_attempt /usr/local/bin/nv-asker always
    wait_for 10 has_question /usr/local/bin/nv-asker || fail "no question came in the new program"
    wait_for 5 as_user xdotool search --name "^Nattervane questions$" || fail "no question window"
    window=$(as_user xdotool search --name "^Nattervane questions$" | head -1)
    as_user xdotool windowfocus --sync "$window"
    as_user xdotool key --delay 200 Down
    shot 6-always
    as_user xdotool key alt+b
    wait_for 3 held_ended always || fail "answered in the window, the connection still waits"
    grep -q "Connection refused" "$out/held-always.log" ||
        fail "blocked always, the program did not hear so: $(cat "$out/held-always.log")"
    wait_for 5 rule_is "$ask_address" /usr/local/bin/nv-asker block ||
        fail "blocked always, no rule for the program and the destination was written"
    wait_for 3 attempt_is /usr/local/bin/nv-asker "$ask_address" "Operation not permitted" ||
        fail "after \"block always\" the next connection was not refused by the rule"
    say "\"block always\": the program heard \"Connection refused\" at once, the rule was written, the next connection got EPERM"
    rule remove "$ask_address" --program /usr/local/bin/nv-asker
    restart_app 5 ru
    held_attempt /usr/local/bin/nv-asker russian
    wait_for 10 has_question /usr/local/bin/nv-asker || fail "no question came in Russian"
    sleep 1
    shot 7-question-russian
    answer allow "$(question_of /usr/local/bin/nv-asker)"
    wait_for 5 held_connected russian || fail "let through once in Russian, the connection failed"
    restart_app 5
    rule remove "$ask_address"
}

# Whether the journal has an entry of program $1 blocked by its rule for everything.
journal_has_blocked() {
    as_user nattervane-cli journal --json 2>/dev/null | python3 -c '
import json, sys
sys.exit(not any(entry["app"] == sys.argv[1] and entry["blocked"] and
                 entry.get("ruleTarget") == "*" for entry in json.load(sys.stdin)))' "$1"
}

# A BPF file system for the container's /sys/fs/bpf, where a booted system has one (systemd-nspawn
# gives none); made anew for each boot, since a reboot empties it.
fresh_bpf_fs() {
    mountpoint -q "$top/bpf" && umount "$top/bpf"
    mkdir -p "$top/bpf"
    mount -t bpf -o mode=0700 bpf "$top/bpf" || cannot "mount a BPF file system" "mount -t bpf failed"
}

check_after_reboot() {
    say "rebooting the container"
    stop_container
    init_pid=""
    fresh_bpf_fs
    boot
    wait_for 20 inside systemctl is-active --quiet nattervane-events.service ||
        fail "the event service did not start at boot"
    add_network
    [ "$(attempt_by /usr/local/bin/nv-blocked "${networks[1]}.150")" = "Operation not permitted" ] ||
        fail "the block did not survive the reboot"
    say "after the reboot the service enforces the block before the program has started"
}

trap cleanup EXIT
trap 'fail interrupted' INT TERM HUP

main() {
    [ "$(id -u)" -eq 0 ] || cannot "run the container test" "it needs root"
    local tool
    for tool in systemd-nspawn nsenter setpriv Xvfb tint2 dunst dbus-monitor python3; do
        command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
    done
    [ -x "$build/tests/system/short_connections" ] ||
        fail "$build/tests/system/short_connections is not built"
    mount_overlay
    fresh_bpf_fs
    nspawn_options+=(--bind="$top/bpf:/sys/fs/bpf")
    boot
    say "bpf: $(inside findmnt -no FSTYPE,OPTIONS /sys/fs/bpf)"
    install_build
    add_user
    add_destinations
    start_session
    install_service
    check_live
    export_on
    check_connections
    check_journal_export
    shot 1-events
    check_kill
    check_refusal
    check_program_rules
    check_held
    check_held_many
    check_held_kill
    check_held_quit
    check_held_always
    check_block_through_kill
    check_starving
    shot 2-program-rules
    check_without_service
    shot 3-scans
    check_after_reboot
    check_uninstall
}

main

#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Boots this machine's own system in a container (systemd-nspawn over an overlay of /) and drives
# the blocking flow through the tray menu as a normal user: turn blocking on (pkexec, allowed by a
# polkit rule), block a destination, see a new connection to it fail, turn blocking off and check
# that the firewall table, the units and /etc/hosts are back as they were. Then the same with
# systemd-resolved installed, whose DNS block goes through its stub.
# Usage (as root): container.sh BUILD_DIR SOURCE_DIR OUT_DIR
# Exits 0 when the flow works, or after "container: cannot ...: <reason>" when this machine cannot
# boot a container at all; any other failure exits 1. Logs and screenshots go to OUT_DIR.
# NV_CONTAINER_HOLD=SECONDS keeps a failed run's container up that long, to look inside.
set -euo pipefail

script=container.sh
# shellcheck source=tests/session/container_lib.sh
. "$(dirname -- "$0")/container_lib.sh"

# A documentation address (TEST-NET-3) on the container's own loopback device.
address=203.0.113.50
probe_port=8080

# The destination: a connection held by hold_connection to itself on $address, and a server that
# accepts the probes of the blocking check.
add_destination() {
    inside ip address add "$address/32" dev lo || fail "cannot add $address to lo"
    inside install -m 0755 "$build/tests/system/hold_connection" "$inner/hold_connection"
    # hold_connection keeps its connection at most 60 s; a few rounds cover the whole run.
    start_daemon hold_connection sh -c "for round in 1 2 3 4; do
        sleep 59 | $inner/hold_connection $address; done"
    start_daemon probe_server python3 -m http.server --bind "$address" "$probe_port" \
        --directory "$inner/run"
    wait_for 10 probe_connects || fail "nothing accepts connections on $address:$probe_port"
}

# One new TCP connection to the destination, given 1 s to open.
probe_connects() {
    limit=5 inside timeout 1 bash -c "exec 3<>/dev/tcp/$address/$probe_port"
}

probe_blocked() {
    ! probe_connects
}

# ---------------------------------------------------------------------------------------------
# The blocking flow. Menu keys: Down selects the first enabled item ("Who is calling out now");
# "Turn on blocking…" and "Turn blocking off" are four enabled items further down.

# A unit without an [Install] section reads "static", which is-enabled counts as enabled.
unit_enabled() {
    [ "$(inside systemctl is-enabled "$1" 2>/dev/null)" = enabled ]
}

helper_active() {
    inside test -e "$helper_conf" && inside systemctl is-active --quiet nattervane-helper.path
}

# Chooses "Turn on blocking…" and answers the question with its first button, which installs;
# sets box to the question's window.
ask_to_turn_on() {
    open_menu
    shot 1-menu
    keys Down Down Down Down Down
    shot 2-menu-turn-on
    keys Return
    wait_for 5 other_window || fail "choosing \"Turn on blocking…\" asked no question"
    box=$(other_window)
    say "question box at ${box#* }"
    shot 3-question
    # The first button has the focus once the box has the keyboard.
    as_user xdotool windowfocus --sync "${box%% *}" key Return ||
        fail "could not answer the question"
}

# A window of the program other than `box`.
another_box() {
    app_windows | awk -v box="${box%% *}" '$1 != box { print; exit }' | grep .
}

# Without a polkit rule and with no password agent, pkexec cannot ask for the password: the
# program must say so in a box of its own, and nothing may be installed.
turn_on_refused() {
    say "turning blocking on while no one can give the administrator password"
    start_polkit
    local box
    ask_to_turn_on
    wait_for 10 another_box || fail "a refused administrator step showed no message"
    box=$(another_box)
    say "message box at ${box#* }"
    shot 3-refused
    ! helper_active || fail "the helper is active although pkexec was refused"
    inside journalctl -b -t pkexec -o cat --no-pager | grep -qi "not authorized\|agent" ||
        say "note: pkexec logged no refusal"
    as_user xdotool windowfocus --sync "${box%% *}" key Return || fail "could not close the message"
    wait_for 5 no_window_shown || fail "the message box did not close"
}

turn_on() {
    say "turning blocking on from the menu"
    inside cp -p /etc/hosts "$inner/hosts.before"
    local box
    ask_to_turn_on
    wait_for 30 helper_active ||
        fail "nattervane-helper.path is not installed and active 30 s after answering"
    inside journalctl -b -t pkexec -o cat --no-pager | grep -F nv-install.sh >/dev/null ||
        fail "the helper was installed, but not through pkexec"
    say "pkexec ran nv-install.sh; nattervane-helper.path is active"
}

# Whether the firewall table names the address.
table_blocks() {
    inside nft list table inet nattervane | grep -F "$address" >/dev/null
}

block_destination() {
    say "blocking $address from the menu"
    open_menu
    # Who is calling out now > the program > the destination > Allow, then Block.
    keys Down Right Right Right Down
    shot 4-menu-block
    keys Return
    local clicked=$SECONDS
    wait_for 5 probe_blocked || fail "a new connection to $address still opens 5 s after Block"
    say "new connections to $address fail ($((SECONDS - clicked)) s after Block)"
    table_blocks || fail "nft list table inet nattervane does not show $address"
    wait_for 5 inside grep -q '^ips=1 ' /var/lib/nattervane/status.txt ||
        fail "the helper's status file does not count the blocked address"
    # The menu shows the helper's status from the next scan on, at most 5 s later.
    sleep 5
}

helper_gone() {
    ! inside nft list table inet nattervane && ! inside test -e "$helper_conf"
}

turn_off() {
    say "turning blocking off from the menu"
    open_menu
    keys Down Down Down Down Down
    shot 5-menu-turn-off
    keys Return
    wait_for 30 helper_gone ||
        fail "the firewall table or the path unit is still there 30 s after turning blocking off"
    local unit
    for unit in nattervane-helper.path nattervane-helper.service; do
        ! unit_enabled "$unit" || fail "$unit is still enabled"
        ! inside systemctl is-active --quiet "$unit" || fail "$unit is still active"
    done
    inside cmp /etc/hosts "$inner/hosts.before" ||
        fail "/etc/hosts differs from the copy taken before blocking was turned on"
    probe_connects || fail "connections to $address still fail after turning blocking off"
    say "table, units and /etc/hosts are back as they were"
    shot 6-after
}

# ---------------------------------------------------------------------------------------------
# The DNS block under systemd: this system has dnsmasq but neither systemd-resolved nor
# NetworkManager, so the helper runs its own dnsmasq with the port-53 redirect. Only blocked names
# are looked up, which dnsmasq answers itself: nothing is forwarded anywhere.

dns_probe() {
    limit=5 inside "$build/tests/helper/dns_probe" --server "$1" use-application-dns.net
}

dns_snapshot() {
    inside cp -p /etc/resolv.conf "$inner/resolv.before" 2>/dev/null ||
        inside touch "$inner/resolv.absent"
}

dns_redirect_gone() {
    ! inside nft list table inet nattervane_dns >/dev/null 2>&1
}

dns_check_on() {
    say "checking the DNS block"
    wait_for 10 inside systemctl is-active --quiet nattervane-dns.service ||
        fail "nattervane-dns.service is not active (see $out/journal.txt)"
    inside grep -q ' dns=own ' /var/lib/nattervane/status.txt ||
        fail "the status does not name the own dnsmasq: $(inside head -1 /var/lib/nattervane/status.txt)"
    # Port 53 of loopback has no server here, yet the redirect hands the query to dnsmasq, which
    # answers the DoH canary NXDOMAIN.
    local answer
    answer=$(dns_probe 127.0.0.1:53 2>&1)
    [ "$answer" = "use-application-dns.net none" ] ||
        fail "a query to 127.0.0.1:53 was not answered NXDOMAIN: $answer"
    wait_for 5 inside systemctl is-active --quiet nattervane-names.service ||
        fail "nattervane-names.service is not active (see $out/journal.txt)"
    local names
    names=$(inside stat -c '%U %a' /run/nattervane/names 2>&1)
    [ "$names" = "$user 600" ] || fail "/run/nattervane/names is not the user's alone: $names"
    say "the names of looked-up addresses go to /run/nattervane/names, for $user only"
    local pid
    pid=$(inside systemctl show -p MainPID --value nattervane-dns.service)
    inside kill -KILL "$pid"
    # The restart comes 200 ms later and brings the table back, so look often.
    local tries=0
    until dns_redirect_gone; do
        tries=$((tries + 1))
        [ "$tries" -lt 20 ] || fail "the redirect stayed 1 s after dnsmasq was killed"
        sleep 0.05
    done
    wait_for 5 inside nft list table inet nattervane_dns ||
        fail "the redirect did not come back after dnsmasq restarted"
    wait_for 5 inside systemctl is-active --quiet nattervane-dns.service ||
        fail "nattervane-dns.service did not restart"
    say "dnsmasq answers through the redirect; killed, it fails open and comes back"
}

dns_check_off() {
    dns_redirect_gone || fail "the redirect table is still there"
    local unit
    for unit in nattervane-dns.service nattervane-names.service nattervane-dns-reload.path \
        nattervane-dns-reload.service; do
        ! unit_enabled "$unit" || fail "$unit is still enabled"
    done
    if inside test -e "$inner/resolv.absent"; then
        ! inside test -e /etc/resolv.conf || fail "/etc/resolv.conf appeared"
    else
        inside cmp /etc/resolv.conf "$inner/resolv.before" || fail "/etc/resolv.conf changed"
    fi
    ! inside test -e /var/lib/nattervane/dns-block.conf || fail "the servers-file is still there"
    ! inside test -e /run/nattervane/names || fail "the names file is still there"
    say "the DNS block is gone and /etc/resolv.conf is as it was"
}

# ---------------------------------------------------------------------------------------------
# The DNS block with systemd-resolved. Its package, for this machine's systemd (scripts/setup.sh
# keeps it in a cache), is installed in the container only. A veth link with the default route
# leads to the upstream name server, a dnsmasq in a network namespace of its own inside the
# container that answers a test zone; systemd-resolved has it as that link's server. Lookups go
# through systemd-resolved's stub, as with the /etc/resolv.conf its package puts in place.

resolved_cache=/var/cache/nattervane-tests
upstream=192.0.2.53
stub=127.0.0.53:53
dropin=/run/systemd/resolved.conf.d/nattervane.conf
global_servers=/run/nattervane-dns.global.conf
open_names="www.shop.example 192.0.2.80,x.ads.example 192.0.2.82"

# Looks the names up through the stub; one line, as "a.example 192.0.2.80,b.example none".
stub_lookup() {
    limit=15 inside "$build/tests/helper/dns_probe" --server "$stub" "$@" | paste -sd, -
}

# stub_answers WANT NAME...: whether the stub gives WANT for the names.
stub_answers() {
    local want=$1
    shift
    [ "$(stub_lookup "$@")" = "$want" ]
}

watch_dns() {
    limit=60 inside python3 "$source_dir/tests/session/dns_watch.py" "$@"
}

# The files a DNS mode may touch, and systemd-resolved's servers, as one text.
resolver_state() {
    local file
    for file in /etc/resolv.conf /etc/hosts /etc/systemd/resolved.conf \
        /run/systemd/resolve/resolv.conf /run/systemd/resolve/stub-resolv.conf; do
        echo "== $file: $(inside stat -c '%F %a %U' "$file") $(inside readlink "$file")"
        inside cat "$file"
    done
    echo "== resolvectl dns"
    inside resolvectl dns
}

resolved_setup() {
    local version deb
    version=$(dpkg-query -W -f='${Version}' systemd)
    deb=$(find "$resolved_cache" -maxdepth 1 \
        -name "systemd-resolved_${version//:/%3a}_*.deb" | head -n 1)
    [ -n "$deb" ] ||
        fail "no systemd-resolved $version package in $resolved_cache (scripts/setup.sh fetches it)"
    say "installing $(basename -- "$deb") inside"
    cp -- "$deb" "$merged$inner/systemd-resolved.deb"
    limit=120 inside dpkg -i "$inner/systemd-resolved.deb" >"$out/resolved-install.log" 2>&1 ||
        fail "dpkg -i of systemd-resolved failed (see $out/resolved-install.log)"
    # Only the test's name server: no fallback servers, no multicast names.
    mkdir -p "$merged/etc/systemd/resolved.conf.d"
    printf '[Resolve]\nFallbackDNS=\nLLMNR=no\nMulticastDNS=no\n' \
        >"$merged/etc/systemd/resolved.conf.d/50-nattervane-test.conf"
    # This system's policy-rc.d keeps the package from starting it.
    inside systemctl restart systemd-resolved.service ||
        fail "systemd-resolved did not start (see $out/journal.txt)"
    { [ "$(inside readlink /etc/resolv.conf)" = ../run/systemd/resolve/stub-resolv.conf ] &&
        inside grep -q '^nameserver 127\.0\.0\.53$' /etc/resolv.conf; } ||
        fail "/etc/resolv.conf does not lead to systemd-resolved's stub"

    # shellcheck disable=SC2016 # expanded by the inner shell
    limit=15 inside bash -c '. "$0"; start_upstream "$@" >"$1/upstream-start.log" 2>&1 </dev/null' \
        "$source_dir/tests/helper/dns_upstream.sh" "$inner/log" "$upstream" --log-queries \
        --local-ttl=60 --local=/example/ --host-record=www.shop.example,192.0.2.80 \
        --host-record=x.ads.example,192.0.2.82 --host-record=use-application-dns.net,192.0.2.86 \
        --address=/bench.example/192.0.2.90 ||
        fail "cannot start the upstream name server (see $out/upstream-start.log)"
    inside ip route add default dev nv0 || fail "cannot add the default route"
    inside resolvectl dns nv0 "$upstream" || fail "resolvectl dns nv0 $upstream failed"
    wait_for 10 stub_answers "$open_names,use-application-dns.net 192.0.2.86" \
        www.shop.example x.ads.example use-application-dns.net ||
        fail "systemd-resolved does not answer from the upstream: $(stub_lookup www.shop.example)"
    say "systemd-resolved answers through its stub from the link's server $upstream"
    say "lookup of a new name through the stub, without the block: $(watch_dns cost "$stub" \
        bench.example 300) µs"
    resolver_state >"$out/resolver-before.txt"
}

# Blocks DOMAIN... as the program does: it rewrites its block file in one step.
block_domains() {
    local file=$app_home/helper/block_domains.txt
    # shellcheck disable=SC2016 # expanded by the inner shell
    as_user sh -c 'printf "%s\n" "$@" >"$0.new" && mv -f "$0.new" "$0"' "$file" "$@" ||
        fail "cannot write $file"
}

resolved_check_on() {
    say "checking the DNS block through systemd-resolved"
    wait_for 10 inside systemctl is-active --quiet nattervane-dns.service ||
        fail "nattervane-dns.service is not active (see $out/journal.txt)"
    wait_for 5 inside grep -q ' dns=resolved ' /var/lib/nattervane/status.txt ||
        fail "the status does not name systemd-resolved: $(inside head -1 /var/lib/nattervane/status.txt)"
    [ "$(inside cat "$dropin" | paste -sd' ' -)" = "[Resolve] DNS= DNS=127.0.0.153:5354 Domains=~." ] ||
        fail "the drop-in is not as expected: $(inside cat "$dropin" 2>&1 | paste -sd' ' -)"
    [ "$(inside resolvectl dns | grep '^Global:')" = "Global: 127.0.0.153:5354" ] ||
        fail "systemd-resolved's global servers are not dnsmasq alone: $(inside resolvectl dns)"
    block_domains ads.example
    wait_for 10 stub_answers "x.ads.example none,use-application-dns.net none,www.shop.example 192.0.2.80" \
        x.ads.example use-application-dns.net www.shop.example ||
        fail "through the stub a blocked domain's name still resolves, or an open one does not: \
$(stub_lookup x.ads.example use-application-dns.net www.shop.example)"
    say "the stub answers NXDOMAIN for ads.example's names and the canary; the zone resolves"
    say "lookup of a new name through the stub, with the block: $(watch_dns cost "$stub" \
        bench.example 300) µs"

    local asked=$SECONDS
    block_domains ads.example shop.example
    wait_for 5 stub_answers "www.shop.example none" www.shop.example ||
        fail "a domain added to the list still resolves 5 s later"
    say "a domain added to the list is blocked $((SECONDS - asked)) s after the block file changed"
}

# A global server in resolved.conf, which systemd-resolved would ask before dnsmasq: the drop-in
# takes it away, and dnsmasq forwards to it.
resolved_check_global() {
    local conf=/etc/systemd/resolved.conf.d/60-nattervane-test-global.conf
    printf '[Resolve]\nDNS=%s\n' "$upstream" >"$merged$conf"
    # One transaction for both, as an administrator may restart them.
    limit=20 inside systemctl restart systemd-resolved.service nattervane-dns.service ||
        fail "systemd-resolved and nattervane-dns.service did not restart within 20 s"
    [ "$(inside grep -v '^#' "$global_servers")" = "server=$upstream" ] ||
        fail "dnsmasq was not given the global server: $(inside cat "$global_servers" 2>&1)"
    # A query sent while systemd-resolved restarts is lost; the probe waits 5 s for it.
    wait_for 15 stub_answers "x.ads.example none,www.shop.example none" x.ads.example \
        www.shop.example || fail "with a global server in resolved.conf the block is bypassed: \
$(inside resolvectl dns | paste -sd' ' -) $(stub_lookup x.ads.example www.shop.example)"
    rm -f -- "$merged$conf"
    limit=20 inside systemctl restart systemd-resolved.service nattervane-dns.service ||
        fail "systemd-resolved and nattervane-dns.service did not restart within 20 s"
    [ "$(inside grep -cv '^#' "$global_servers")" = 0 ] ||
        fail "the global server stayed with dnsmasq: $(inside cat "$global_servers")"
    say "a global server of resolved.conf goes to dnsmasq, not around it"
}

# Looks a name up every 20 ms while dnsmasq is killed: the unit takes the drop-in away at once, so
# systemd-resolved asks the link's server, and puts it back when dnsmasq is back 200 ms later.
resolved_check_fail_open() {
    local timeline=$inner/log/fail-open.txt killed
    wait_for 15 stub_answers "open.bench.example 192.0.2.90" open.bench.example ||
        fail "the stub does not answer before the kill: $(stub_lookup open.bench.example)"
    # shellcheck disable=SC2016 # expanded by the inner shell
    limit=20 inside sh -c 'python3 "$0" watch "$1" open.bench.example 4 >"$2" 2>&1 &
        watcher=$!
        sleep 0.5
        date +%s%3N >"$2.killed"
        kill -KILL "$(systemctl show -p MainPID --value nattervane-dns.service)"
        wait "$watcher"' "$source_dir/tests/session/dns_watch.py" "$stub" "$timeline" ||
        fail "the lookups while dnsmasq was killed did not run (see $out/fail-open.txt)"
    killed=$(cat "$merged$timeline.killed")
    # Each stretch without an answer, in milliseconds after the kill, with what came instead.
    local gaps
    gaps=$(awk -v killed="$killed" -v good=192.0.2.90 '
        { at = $1 - killed }
        at < 0 { next }
        $2 != good && start == "" { start = at; kinds = $2; next }
        $2 != good { kinds = kinds "/" $2; next }
        start != "" { printf "%s%d-%d ms (%s)", sep, start, at, kinds; sep = ", "; start = "" }
        END { if (start != "") printf "%s%d ms on (%s)", sep, start, kinds }' "$merged$timeline")
    say "lookups of an open name after the kill: unanswered ${gaps:-never}"
    local first_gap_end=0
    [ -z "$gaps" ] || first_gap_end=$(echo "$gaps" | sed -n 's/^-\{0,1\}[0-9]*-\([0-9]*\) ms.*/\1/p')
    { [ -n "$first_gap_end" ] && [ "$first_gap_end" -le 1200 ]; } ||
        fail "lookups did not work again within about a second of the kill: ${gaps:-none failed}"
    [ "$(tail -n 1 "$merged$timeline" | cut -d' ' -f2)" = 192.0.2.90 ] ||
        fail "lookups did not come back after dnsmasq restarted (see $out/fail-open.txt)"
    wait_for 5 inside systemctl is-active --quiet nattervane-dns.service ||
        fail "nattervane-dns.service did not restart"
    wait_for 5 stub_answers "x.ads.example none" x.ads.example ||
        fail "the block did not come back after dnsmasq restarted"
    say "killed, dnsmasq fails open at $first_gap_end ms and the block comes back"
}

resolved_check_off() {
    local path
    for path in "$dropin" "$(dirname -- "$dropin")" "$global_servers"; do
        ! inside test -e "$path" || fail "$path is still there"
    done
    wait_for 10 stub_answers "$open_names" www.shop.example x.ads.example ||
        fail "names blocked before do not resolve again: $(stub_lookup www.shop.example x.ads.example)"
    resolver_state >"$out/resolver-after.txt"
    cmp -s "$out/resolver-before.txt" "$out/resolver-after.txt" ||
        fail "files or servers differ from before blocking: $(diff "$out/resolver-before.txt" \
            "$out/resolver-after.txt" | head -20)"
    say "the drop-in is gone; every file and systemd-resolved's servers are as they were"
}

trap cleanup EXIT
trap 'fail interrupted' INT TERM HUP

main() {
    [ "$(id -u)" -eq 0 ] || cannot "run the container test" "it needs root"
    local tool
    for tool in systemd-nspawn nsenter setpriv Xvfb tint2 xdotool xwininfo xprop import \
        pkexec /usr/lib/polkit-1/polkitd dbus-daemon nft /usr/bin/python3 /usr/sbin/dnsmasq; do
        command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
    done
    [ -x "$build/src/app/nattervane" ] || fail "$build/src/app/nattervane is not built"
    [ -x "$build/tests/system/hold_connection" ] ||
        fail "$build/tests/system/hold_connection is not built"
    mount_overlay
    boot
    install_build
    add_user
    add_destination
    start_desktop
    start_app
    turn_on_refused
    allow_user
    dns_snapshot
    turn_on
    block_destination
    dns_check_on
    turn_off
    dns_check_off
    resolved_setup
    turn_on
    resolved_check_on
    resolved_check_global
    resolved_check_fail_open
    turn_off
    resolved_check_off
}

main

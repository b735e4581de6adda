#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Plugs Nattervane's DNS block (dnsmasq reading the helper's servers-file) into this machine's
# name resolution, and takes it out again.
# Usage (as root): nv-dns.sh detect | config MODE | prepare MODE | up MODE | down MODE | reload MODE
#   detect  prints the first mode that applies here: resolved, networkmanager, own or hosts
#   config  prints the dnsmasq configuration of nattervane-dns.service (resolved or own)
#   prepare before that dnsmasq starts: resolved gets the global servers it forwards to
#   up      once that dnsmasq listens: resolved gets the drop-in and a restart, own the redirect
#   down    once it stopped or died: undoes up, so lookups go on without the block at once
#   reload  makes the dnsmasq of MODE read the servers-file again
# NATTERVANE_INSTALL_ROOT, when set, puts every path below that directory and restarts nothing
# (tests).
set -u
unset CDPATH

root=${NATTERVANE_INSTALL_ROOT:-}
servers=$root/var/lib/nattervane/dns-block.conf
pidfile=$root/run/nattervane-dns.pid
# The query log nattervane-names.service follows (it never reaches the disk or the journal).
query_log=$root/run/nattervane/dns-queries.log
nm_pidfile=$root/run/NetworkManager/dnsmasq.pid
dropin=$root/run/systemd/resolved.conf.d/nattervane.conf
# systemd-resolved's own global servers, which the drop-in takes away from it, as dnsmasq's.
global_servers=$root/run/nattervane-dns.global.conf
# Present when up made the drop-in's folder, which down then removes again.
made_folder=$root/run/nattervane-dns.made-folder
table=nattervane_dns
port=5354
# dnsmasq's queries to its upstream servers leave from these ports, below the kernel's ephemeral
# range, so the redirect lets them pass instead of looping them back into dnsmasq.
min_port=5401
max_port=5499

die() {
    echo "nv-dns.sh: $*" >&2
    exit 1
}

# Whether systemd runs the unit; under a test root, whether a marker file names it.
active() {
    if [ -n "$root" ]; then
        [ -e "$root/run/nattervane-test-active/$1" ]
    else
        systemctl is-active --quiet "$1" 2>/dev/null
    fi
}

nft_path() {
    for candidate in /usr/sbin/nft /sbin/nft /usr/bin/nft; do
        [ -x "$candidate" ] && { echo "$candidate"; return 0; }
    done
    return 1
}

# The user dnsmasq runs as; its TCP queries to upstream servers pass the redirect by this owner.
dns_user() {
    if getent passwd dnsmasq >/dev/null 2>&1; then echo dnsmasq; else echo nobody; fi
}

detect() {
    if [ ! -x /usr/sbin/dnsmasq ]; then
        echo hosts
    # resolved answers the lookups when resolv.conf names its stub or glibc asks it directly.
    elif active systemd-resolved.service &&
        { grep -q '^nameserver 127\.0\.0\.5[34]' "$root/etc/resolv.conf" 2>/dev/null ||
            grep -q '^hosts:.*resolve' "$root/etc/nsswitch.conf" 2>/dev/null; }; then
        echo resolved
    elif active NetworkManager.service &&
        grep -q 'NetworkManager' "$root/etc/resolv.conf" 2>/dev/null; then
        echo networkmanager
    elif nft_path >/dev/null; then
        echo own
    else
        echo hosts
    fi
}

config() {
    echo "# nattervane-dns.service ($1), written by nv-install.sh."
    case $1 in
    resolved)
        # systemd-resolved forwards every lookup here; the upstream servers are those it has
        # from the links, which it lists without this address since that has a port, and its
        # global ones from before the drop-in.
        echo "listen-address=127.0.0.153"
        echo "resolv-file=$root/run/systemd/resolve/resolv.conf"
        echo "conf-file=$global_servers"
        ;;
    own)
        # The redirect table sends every other program's port-53 traffic here.
        echo "listen-address=127.0.0.1"
        grep -q ' lo$' /proc/net/if_inet6 2>/dev/null && echo "listen-address=::1"
        echo "resolv-file=$root/etc/resolv.conf"
        ;;
    *) die "no dnsmasq of ours in mode $1" ;;
    esac
    cat <<CONF
port=$port
bind-interfaces
no-hosts
servers-file=$servers
min-port=$min_port
max-port=$max_port
cache-size=1000
user=$(dns_user)
pid-file=$pidfile
log-queries
log-facility=$query_log
log-async=100
CONF
}

redirect_up() {
    nft=$(nft_path) || die "nft not found"
    "$nft" -f - <<NFT
table inet $table
delete table inet $table
table inet $table {
    chain output {
        type nat hook output priority -100; policy accept;
        udp dport 53 udp sport != $min_port-$max_port redirect to :$port
        tcp dport 53 meta skuid != "$(dns_user)" redirect to :$port
    }
}
NFT
}

redirect_down() {
    nft=$(nft_path) || return 0
    "$nft" delete table inet "$table" 2>/dev/null
    return 0
}

# systemd-resolved reads its configuration only when it starts, or on reload where it has one.
# Not waited for: up and down run in nattervane-dns.service, and a transaction that also restarts
# systemd-resolved holds that job until this unit has stopped or started. Its start limit (5 in
# 10 s) is reset first: every restart of dnsmasq costs it two starts, and once refused it would
# stay down, and every lookup fail with it.
restart_resolved() {
    [ -z "$root" ] || return 0
    systemctl reset-failed systemd-resolved.service 2>/dev/null
    systemctl --no-block try-reload-or-restart systemd-resolved.service
}

# The global servers systemd-resolved has as "server=" lines for dnsmasq: "1.1.1.1:853" becomes
# "server=1.1.1.1#853", "[::1]:53" "server=::1#53"; a TLS server name or an interface after # or %
# goes, and so does our own address.
global_server_lines() {
    if [ -n "$root" ]; then
        cat "$root/run/nattervane-test-global-dns" 2>/dev/null
    else
        resolvectl dns 2>/dev/null
    fi | sed -n 's/^Global:[[:space:]]*//p' | tr ' ' '\n' | sed -e 's/#.*//' -e 's/%[^]]*//' |
        awk -v own="127.0.0.153:$port" '
            $0 == "" || $0 == own { next }
            /^\[/ { split(substr($0, 2), part, "]"); address = part[1]
                port = part[2]; sub(/^:/, "", port) }
            !/^\[/ && /^[0-9.]+:[0-9]+$/ { split($0, part, ":"); address = part[1]; port = part[2] }
            !/^\[/ && !/^[0-9.]+:[0-9]+$/ { address = $0; port = "" }
            { print "server=" address (port == "" ? "" : "#" port) }'
}

# Writes the global servers for dnsmasq, read from systemd-resolved while the drop-in is not in
# force; with the drop-in still there, those of the last start stay.
prepare_resolved() {
    if [ -e "$dropin" ] && [ -e "$global_servers" ]; then
        return 0
    fi
    {
        echo "# nattervane-dns.service: systemd-resolved's global servers, written by nv-dns.sh."
        [ -e "$dropin" ] || global_server_lines
    } >"$global_servers.tmp" && chmod 0644 "$global_servers.tmp" &&
        mv -f "$global_servers.tmp" "$global_servers" || die "cannot write $global_servers"
}

prepare() {
    case $1 in
    resolved) prepare_resolved ;;
    esac
    return 0
}

up() {
    case $1 in
    resolved)
        if [ ! -d "$(dirname -- "$dropin")" ]; then
            mkdir -p "$(dirname -- "$dropin")" && : >"$made_folder"
        fi
        # The empty DNS= drops the global servers of resolved.conf, which systemd-resolved would
        # otherwise ask before this one; dnsmasq forwards to them instead.
        printf '[Resolve]\nDNS=\nDNS=127.0.0.153:%s\nDomains=~.\n' "$port" >"$dropin.tmp" &&
            chmod 0644 "$dropin.tmp" && mv -f "$dropin.tmp" "$dropin" || die "cannot write $dropin"
        restart_resolved
        ;;
    own) redirect_up ;;
    *) die "no dnsmasq of ours in mode $1" ;;
    esac
}

down() {
    case $1 in
    resolved)
        if [ -e "$dropin" ]; then
            rm -f "$dropin"
            [ -e "$made_folder" ] && rmdir "$(dirname -- "$dropin")" 2>/dev/null
            rm -f "$made_folder"
            restart_resolved
        fi
        rm -f "$global_servers"
        ;;
    *) redirect_down ;;
    esac
    return 0
}

# Sends SIGHUP to the process named by pid file $1.
hang_up() {
    pid=$(cat "$1" 2>/dev/null) || die "no pid file $1"
    case $pid in
    '' | *[!0-9]*) die "no process id in $1" ;;
    esac
    kill -HUP "$pid"
}

reload() {
    case $1 in
    networkmanager) hang_up "$nm_pidfile" ;;
    resolved)
        hang_up "$pidfile"
        [ -n "$root" ] || resolvectl flush-caches 2>/dev/null
        ;;
    own) hang_up "$pidfile" ;;
    *) return 0 ;;
    esac
}

[ "$#" -ge 1 ] || die "usage: nv-dns.sh detect | config|prepare|up|down|reload MODE"
command=$1
shift
case $command in
detect) detect ;;
config | prepare | up | down | reload)
    [ "$#" -eq 1 ] || die "$command needs a mode"
    "$command" "$1"
    ;;
*) die "unknown command $command" ;;
esac

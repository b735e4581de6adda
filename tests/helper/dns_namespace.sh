#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The DNS block with the real helper, dnsmasq, nftables and glibc, inside network and mount
# namespaces of its own: /etc is an overlay whose changes stay in a temporary folder, and a second
# namespace behind a veth pair (documentation addresses 192.0.2.0/24) plays the upstream server
# with a dnsmasq answering a fixed test zone. Nothing leaves the namespaces.
# The own mode also checks the names the helper publishes from dnsmasq's query log: a program's
# connection to a delivery network's address is named by what it looked up, within one scan.
# Usage (as root): dns_namespace.sh HELPER DNS_PROBE SOURCE_DIR [CLI HOLD_CONNECTION]
# Exits 77 (skipped) without root or the tools, 1 when a check fails.
set -u

helper=$1
probe=$2
source_dir=$3
scripts=$source_dir/system/linux
cli=${4:-}
hold=${5:-}

if [ "${NV_IN_NAMESPACE:-}" != 1 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "skipped: needs root for namespaces"; exit 77; }
    for tool in /usr/sbin/dnsmasq /usr/sbin/nft unshare ip busctl dbus-daemon; do
        command -v "$tool" >/dev/null || { echo "skipped: needs $tool"; exit 77; }
    done
    NV_IN_NAMESPACE=1 exec unshare -n -m /bin/sh "$0" "$@"
fi

work=$(mktemp -d /tmp/nv-dns-test.XXXXXX)
chmod 0755 "$work"
root=$work/root
state=$root/var/lib/nattervane
servers=$state/dns-block.conf
upstream=192.0.2.53
pids=""

# shellcheck source=tests/support/namespace_checks.sh
. "$(dirname -- "$0")/../support/namespace_checks.sh"

# Ends every daemon this script started (each has its pid file) and the mounts.
cleanup() {
    stop_daemons "$root/run/nattervane-dns.pid" "$root/run/NetworkManager/dnsmasq.pid"
    [ -n "$pids" ] && kill $pids 2>/dev/null
    umount /etc 2>/dev/null
    umount /run/dbus 2>/dev/null
    umount /run 2>/dev/null
    sleep 0.2
    finish_work
}
trap cleanup EXIT

# One line per name, joined: "a.example 192.0.2.80,b.example none".
lookup() {
    "$probe" "$@" | paste -sd, -
}

# Retries lookup until it gives $1 or ten tries 0.1 s apart have passed; prints the last answer.
lookup_until() {
    want=$1
    shift
    tries=0
    while :; do
        got=$(lookup "$@")
        [ "$got" = "$want" ] || [ "$tries" -ge 10 ] && break
        tries=$((tries + 1))
        sleep 0.1
    done
    echo "$got"
}

mount --make-rprivate /
ip link set lo up
# /run of this namespace only, for the published names at their real place.
mount -t tmpfs -o mode=0755 tmpfs /run || { echo "skipped: cannot mount a tmpfs on /run"; exit 77; }
mkdir -p /run/nattervane

# /etc as an overlay, so that what the helper and the scripts write stays in $work.
mkdir -p "$work/etc-upper" "$work/etc-work" "$state" "$root/etc" "$root/run/nattervane"
mount -t overlay overlay -o "lowerdir=/etc,upperdir=$work/etc-upper,workdir=$work/etc-work" /etc ||
    { echo "skipped: cannot mount an overlay on /etc"; exit 77; }
printf '127.0.0.1 localhost\n::1 localhost\n' >/etc/hosts
printf 'nameserver %s\n' "$upstream" >/etc/resolv.conf
cp -p /etc/hosts "$work/hosts.before"
cp -p /etc/resolv.conf "$work/resolv.before"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# The upstream namespace serves the zone.
. "$source_dir/tests/helper/dns_upstream.sh"
start_upstream "$work" "$upstream" --log-queries \
    --host-record=www.shop.example,192.0.2.80 --host-record=ads.example,192.0.2.81 \
    --host-record=x.ads.example,192.0.2.82 --host-record=notads.example,192.0.2.83 \
    --host-record=sub.mine.example,192.0.2.84 --host-record=mine.example,192.0.2.85 \
    --host-record=use-application-dns.net,192.0.2.86 --local=/example/ \
    --host-record=edge7.cdnprovider.test,198.51.100.77 \
    --cname=app.example-cdn.test,edge7.cdnprovider.test \
    --ptr-record=77.100.51.198.in-addr.arpa,edge7.cdnprovider.test \
    --ptr-record=78.100.51.198.in-addr.arpa,host78.cdnprovider.test
paired=$?
pids="$pids $upstream_pid"
[ "$paired" -eq 0 ] || { echo "skipped: cannot make a veth pair"; exit 77; }

before="www.shop.example 192.0.2.80,x.ads.example 192.0.2.82,use-application-dns.net 192.0.2.86"
check "the upstream answers the zone" \
    "$(lookup_until "$before" www.shop.example x.ads.example use-application-dns.net)" "$before"

# The block files: ads.example is a listed domain, mine.example the user's own.
mkdir -p "$work/helper"
printf 'ads.example\nmine.example\n' >"$work/helper/block_domains.txt"
: >"$work/helper/block_ips.txt"
printf '# list\np ads.example\n' >"$work/trackers.txt"
apply() {
    "$helper" apply "$work/helper" --status "$work/status.txt" --dns "$1" --servers "$servers" \
        --listed "$work/trackers.txt" >>"$work/helper.log" 2>&1
    echo "apply=$?"
}
dns() {
    NATTERVANE_INSTALL_ROOT=$root /bin/sh "$scripts/nv-dns.sh" "$@" >>"$work/nv-dns.log" 2>&1
    echo "$1=$?"
}

blocked="ads.example none,x.ads.example none,use-application-dns.net none"
open="www.shop.example 192.0.2.80,notads.example 192.0.2.83"

# ---- own: dnsmasq on loopback port 5354, port-53 traffic redirected to it.
echo "# own dnsmasq with the redirect table"
check "helper applies" "$(apply own)" "apply=0"
check "status names the mode" "$(head -1 "$work/status.txt")" \
    "ips=0 domains=2 rejected=0 dns=own hosts=1"
check "the hosts block holds only the user's own domain" \
    "$(grep -c '^0\.0\.0\.0 ' /etc/hosts) $(grep -c '^0\.0\.0\.0 mine\.example$' /etc/hosts)" "1 1"
NATTERVANE_INSTALL_ROOT=$root /bin/sh "$scripts/nv-dns.sh" config own >"$state/dnsmasq.conf"
# As nattervane-names.service: the follower starts first and makes the query log.
"$helper" names "$root/run/nattervane/dns-queries.log" --user nobody 2>"$work/names.log" &
echo $! >"$work/names.pid"
n=0
until [ -e "$root/run/nattervane/dns-queries.log" ] || [ $n -ge 50 ]; do n=$((n + 1)); sleep 0.1; done
/usr/sbin/dnsmasq --conf-file="$state/dnsmasq.conf"
check "redirect up" "$(dns up own)" "up=0"
check "listed domain, its subdomain and the DoH canary are NXDOMAIN; others resolve" \
    "$(lookup_until "$blocked,$open" ads.example x.ads.example use-application-dns.net \
        www.shop.example notads.example)" "$blocked,$open"
check "the user's domain: hosts for the name, DNS for the names under it" \
    "$(lookup mine.example sub.mine.example)" "mine.example 0.0.0.0,sub.mine.example none"
printf 'nameserver %s\noptions use-vc\n' "$upstream" >/etc/resolv.conf
check "the same over TCP, without looping through the redirect" \
    "$(lookup x.ads.example www.shop.example)" "x.ads.example none,www.shop.example 192.0.2.80"
cp -p "$work/resolv.before" /etc/resolv.conf

names=/run/nattervane/names
check "the names file is the user's alone" "$(stat -c '%U %a' "$names" 2>&1)" "nobody 600"
check "it holds looked-up names, for CNAME answers the name asked for, not blocked ones" \
    "$(lookup app.example-cdn.test >/dev/null; n=0
        until grep -q '^198\.51\.100\.77 ' "$names" || [ $n -ge 30 ]; do n=$((n + 1)); sleep 0.1; done
        grep -E '^(198\.51\.100\.77|192\.0\.2\.80|192\.0\.2\.82) ' "$names" | sort | paste -sd, -)" \
    "192.0.2.80 www.shop.example,198.51.100.77 app.example-cdn.test"
if [ -x "$cli" ] && [ -x "$hold" ]; then
    ip addr add 198.51.100.77/32 dev lo && ip addr add 198.51.100.78/32 dev lo
    # A fresh lookup restarts the clock: the name must be published and named by the next scan.
    kill -TERM "$(cat "$work/names.pid")"
    n=0
    while [ -e "$names" ] && [ $n -lt 30 ]; do n=$((n + 1)); sleep 0.1; done
    check "a stopped follower takes the names away" "$([ -e "$names" ] && echo left)" ""
    "$helper" names "$root/run/nattervane/dns-queries.log" --user nobody 2>>"$work/names.log" &
    echo $! >"$work/names.pid"
    mkfifo "$work/hold.fifo" 2>/dev/null
    exec 7<>"$work/hold.fifo"
    "$hold" 198.51.100.77 <&7 >"$work/hold77.log" 2>&1 &
    pids="$pids $!"
    "$hold" 198.51.100.78 <&7 >"$work/hold78.log" 2>&1 &
    pids="$pids $!"
    sleep 0.3
    looked=$(date +%s%N)
    lookup app.example-cdn.test >/dev/null
    n=0
    until grep -q '^198\.51\.100\.77 app\.example-cdn\.test$' "$names" 2>/dev/null || [ $n -ge 100 ]; do
        n=$((n + 1)); sleep 0.01
    done
    published=$((($(date +%s%N) - looked) / 1000000))
    "$cli" scan --json --wait 0 >"$work/scan0.json" 2>>"$work/cli.log"
    scanned=$((($(date +%s%N) - looked) / 1000000))
    echo "     published ${published} ms after the lookup; the scan ended at ${scanned} ms"
    host_of() {
        python3 -c 'import json, sys
print(" ".join(sorted({c.get("host", "-") for c in json.load(open(sys.argv[1])) if c["ip"] == sys.argv[2]})))' "$1" "$2"
    }
    check "the first scan after the lookup names the address as the program asked" \
        "$(host_of "$work/scan0.json" 198.51.100.77)" "app.example-cdn.test"
    "$cli" scan --json --wait 1.5 >"$work/scan1.json" 2>>"$work/cli.log"
    check "an address nobody looked up keeps its reverse name" \
        "$(host_of "$work/scan1.json" 198.51.100.78)" "host78.cdnprovider.test"
    exec 7>&-
fi

printf 'ads.example\nmine.example\nshop.example\n' >"$work/helper/block_domains.txt"
apply own >/dev/null
check "a reloaded list blocks a new domain" "$(dns reload own) $(lookup_until \
    'www.shop.example none' www.shop.example)" "reload=0 www.shop.example none"
printf 'mine.example\n' >"$work/helper/block_domains.txt"
apply own >/dev/null
check "and unblocks a removed one" "$(dns reload own) $(lookup_until \
    'x.ads.example 192.0.2.82' x.ads.example)" "reload=0 x.ads.example 192.0.2.82"

# What the unit does when dnsmasq dies: ExecStopPost takes the redirect away.
kill -KILL "$(cat "$root/run/nattervane-dns.pid")"
killed=$(date +%s%N)
dns down own >/dev/null
got=$(lookup_until "www.shop.example 192.0.2.80" www.shop.example)
took=$((($(date +%s%N) - killed) / 1000000))
check "a killed dnsmasq fails open within a second" "$got $([ "$took" -lt 1000 ] && echo fast)" \
    "www.shop.example 192.0.2.80 fast"
rm -f "$root/run/nattervane-dns.pid"
"$helper" remove --status "$work/status.txt" --servers "$servers" >>"$work/helper.log" 2>&1
check "removal restores /etc/hosts and resolv.conf byte for byte and drops every table" \
    "$(cmp -s /etc/hosts "$work/hosts.before" && cmp -s /etc/resolv.conf "$work/resolv.before" &&
        echo same) [$(nft list tables)] $([ -e "$servers" ] && echo left)" "same [] "

# ---- networkmanager: dnsmasq run as NetworkManager runs it, its upstream set over D-Bus.
echo "# NetworkManager's dnsmasq"
mkdir -p "$work/bus" "$root/run/NetworkManager"
cat >"$work/bus.conf" <<BUS
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
BUS
dbus-daemon --config-file="$work/bus.conf" --fork --print-pid >"$work/bus.pid" \
    2>"$work/bus.log"
mount --bind "$work/bus" /run/dbus 2>/dev/null || { mkdir -p /run/dbus && mount --bind "$work/bus" /run/dbus; }
mkdir -p "$work/bundle"
cp "$scripts"/* "$work/bundle/"
cp "$helper" "$work/bundle/nattervane-helper"
check "nv-install.sh writes the NetworkManager drop-ins" \
    "$(NATTERVANE_INSTALL_ROOT=$root NATTERVANE_DNS_MODE=networkmanager /bin/sh \
        "$work/bundle/nv-install.sh" "$work/helper" root 2>&1 && echo installed)
$(cat "$root/etc/NetworkManager/conf.d/90-nattervane.conf" \
        "$root/etc/NetworkManager/dnsmasq.d/nattervane.conf" | grep -v '^#')" \
    "installed
[main]
dns=dnsmasq
servers-file=$servers"
printf 'ads.example\n' >"$work/helper/block_domains.txt"
apply networkmanager >/dev/null
/usr/sbin/dnsmasq --no-resolv --keep-in-foreground --no-hosts --bind-interfaces \
    --pid-file="$root/run/NetworkManager/dnsmasq.pid" --listen-address=127.0.0.1 \
    --cache-size=400 --clear-on-reload --conf-file=/dev/null --proxy-dnssec \
    --enable-dbus=org.freedesktop.NetworkManager.dnsmasq \
    --conf-dir="$root/etc/NetworkManager/dnsmasq.d" --log-facility="$work/nm.log" \
    --log-queries &
pids="$pids $!"
n=0
until busctl --system call org.freedesktop.NetworkManager.dnsmasq /uk/org/thekelleys/dnsmasq \
    org.freedesktop.NetworkManager.dnsmasq SetServersEx aas 1 1 "$upstream" >>"$work/busctl.log" 2>&1 ||
    [ $n -ge 30 ]; do n=$((n + 1)); sleep 0.1; done
printf '# Generated by NetworkManager\nnameserver 127.0.0.1\n' >/etc/resolv.conf
check "listed names NXDOMAIN, others forwarded to the servers NetworkManager set" \
    "$(lookup_until "$blocked,$open" ads.example x.ads.example use-application-dns.net \
        www.shop.example notads.example)" "$blocked,$open"
printf 'ads.example\nshop.example\n' >"$work/helper/block_domains.txt"
apply networkmanager >/dev/null
check "SIGHUP to NetworkManager's dnsmasq reloads the list" "$(dns reload networkmanager) \
$(lookup_until 'www.shop.example none,x.ads.example none' www.shop.example x.ads.example)" \
    "reload=0 www.shop.example none,x.ads.example none"
kill "$(cat "$root/run/NetworkManager/dnsmasq.pid")"
cp -p "$work/resolv.before" /etc/resolv.conf
"$helper" remove --status "$work/status.txt" --servers "$servers" >>"$work/helper.log" 2>&1

# ---- resolved: the drop-in, and dnsmasq on 127.0.0.153:5354 reading resolved's upstream list
# (here its links have none) and its global servers, which the drop-in takes away from it.
echo "# systemd-resolved's upstream"
mkdir -p "$root/run/systemd/resolve"
printf 'search .\n' >"$root/run/systemd/resolve/resolv.conf"
printf 'Global: 192.0.2.60:5353 [2001:db8::1]:53 2001:db8::2 192.0.2.61#dns.example [fe80::1%%2]:54 127.0.0.153:5354\n' \
    >"$root/run/nattervane-test-global-dns"
check "prepare gives dnsmasq resolved's global servers as server lines, leaving out its own" \
    "$(dns prepare resolved) $(grep -v '^#' "$root/run/nattervane-dns.global.conf" | paste -sd' ' -)" \
    "prepare=0 server=192.0.2.60#5353 server=2001:db8::1#53 server=2001:db8::2 server=192.0.2.61 server=fe80::1#54"
printf 'Global: %s#ns.example 127.0.0.153:5354\nLink 2 (nv0): 192.0.2.70\n' "$upstream" \
    >"$root/run/nattervane-test-global-dns"
printf 'ads.example\n' >"$work/helper/block_domains.txt"
apply resolved >/dev/null
dns prepare resolved >/dev/null
NATTERVANE_INSTALL_ROOT=$root /bin/sh "$scripts/nv-dns.sh" config resolved >"$state/dnsmasq.conf"
/usr/sbin/dnsmasq --conf-file="$state/dnsmasq.conf"
check "the drop-in names dnsmasq alone with its port for every domain" \
    "$(dns up resolved) $(paste -sd' ' "$root/run/systemd/resolved.conf.d/nattervane.conf")" \
    "up=0 [Resolve] DNS= DNS=127.0.0.153:5354 Domains=~."
check "dnsmasq on 127.0.0.153:5354 blocks and forwards to the global server" \
    "$("$probe" --server 127.0.0.153:5354 x.ads.example www.shop.example | paste -sd, -)" \
    "x.ads.example none,www.shop.example 192.0.2.80"
printf 'Global: 127.0.0.153:5354\n' >"$root/run/nattervane-test-global-dns"
check "while the drop-in is there, a restart keeps the global servers" \
    "$(dns prepare resolved) $(grep -v '^#' "$root/run/nattervane-dns.global.conf")" \
    "prepare=0 server=$upstream"
kill "$(cat "$root/run/nattervane-dns.pid")"
check "down removes the drop-in, the folder it made and the global servers" \
    "$(dns down resolved) $(ls -A "$root/run/systemd") $(ls "$root/run" | grep -c "^nattervane-dns\.global")" \
    "down=0 resolve 0"

summary

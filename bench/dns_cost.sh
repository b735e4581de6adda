#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# What the DNS block costs name lookups, with the whole tracker list blocked (about 84,000
# domains) through the helper's own dnsmasq and the port-53 redirect. Runs (as root) in network
# and mount namespaces of its own: /etc is an overlay whose changes are thrown away, and a second
# namespace behind a veth pair (192.0.2.0/24) plays the upstream server, a dnsmasq that answers
# every name. Prints the mean getaddrinfo time of a name that is not blocked without a blocker,
# with a 10-domain list and with the whole list, both a name asked again (dnsmasq's cache) and
# names never asked before (forwarded upstream); a blocked name and its subdomains; the time the
# helper takes to write the list and dnsmasq to reload it; and what lookups see while dnsmasq
# restarts.
#
#   bench/dns_cost.sh [build dir] [lookups]
set -u

build=${1:-build}
count=${2:-2000}
here=$(cd -- "$(dirname -- "$0")" && pwd)
scripts=$here/../system/linux
trackers=$here/../resources/trackers.txt
timer=$(realpath "$build/bench/hosts_lookup")
helper=$(realpath "$build/src/helper/nattervane-helper")

if [ "${NV_IN_NAMESPACE:-}" != 1 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root for private namespaces" >&2; exit 1; }
    NV_IN_NAMESPACE=1 exec unshare -n -m /bin/sh "$0" "$build" "$count"
fi

work=$(mktemp -d /tmp/nv-dns-bench.XXXXXX)
chmod 0755 "$work"
root=$work/root
state=$root/var/lib/nattervane
upstream=192.0.2.53
cleanup() {
    for file in "$work"/*.pid "$root/run/nattervane-dns.pid"; do
        [ -f "$file" ] && kill "$(cat "$file")" 2>/dev/null
    done
    umount /etc 2>/dev/null
    sleep 0.2
    rm -rf "$work"
}
trap cleanup EXIT
now_ms() {
    echo $(($(date +%s%N) / 1000000))
}

mount --make-rprivate /
ip link set lo up
mkdir -p "$work/etc-upper" "$work/etc-work" "$state" "$root/etc" "$root/run/nattervane" "$work/helper"
mount -t overlay overlay -o "lowerdir=/etc,upperdir=$work/etc-upper,workdir=$work/etc-work" /etc
printf '127.0.0.1 localhost\n::1 localhost\n' >/etc/hosts
printf 'nameserver %s\n' "$upstream" >/etc/resolv.conf
cp /etc/resolv.conf "$root/etc/resolv.conf"

. "$here/../tests/helper/dns_upstream.sh"
start_upstream "$work" "$upstream" --address=/#/192.0.2.80 --cache-size=0
n=0
until "$timer" lookups 1 www.shop.example | grep -q ' 0$' || [ $n -ge 50 ]; do
    n=$((n + 1))
    sleep 0.1
done

echo "lookups of a name that is not blocked, mean of $count (us; second figure: failures)"
echo "  no blocker, same name:            $("$timer" lookups "$count" www.shop.example)"
echo "  no blocker, new names:            $("$timer" lookups "$count" n%d.a.shop.example)"

apply() {
    start=$(now_ms)
    "$helper" apply "$work/helper" --status "$work/status.txt" --dns own \
        --servers "$state/dns-block.conf" --listed "$trackers" >>"$work/helper.log" 2>&1
    echo "$(($(now_ms) - start))"
}
: >"$work/helper/block_ips.txt"
grep -v '^#' "$trackers" | head -10 | cut -d' ' -f2 >"$work/helper/block_domains.txt"
apply >/dev/null
NATTERVANE_INSTALL_ROOT=$root /bin/sh "$scripts/nv-dns.sh" config own >"$state/dnsmasq.conf"
/usr/sbin/dnsmasq --conf-file="$state/dnsmasq.conf" --log-facility="$work/dnsmasq.log"
NATTERVANE_INSTALL_ROOT=$root /bin/sh "$scripts/nv-dns.sh" up own
echo "  10 domains blocked, same name:    $("$timer" lookups "$count" www.shop.example)"
echo "  10 domains blocked, new names:    $("$timer" lookups "$count" n%d.b.shop.example)"

grep -v '^#' "$trackers" | cut -d' ' -f2 >"$work/helper/block_domains.txt"
domains=$(wc -l <"$work/helper/block_domains.txt")
took=$(apply)
start=$(now_ms)
kill -HUP "$(cat "$root/run/nattervane-dns.pid")"
first=$(sed -n 100p "$work/helper/block_domains.txt")
n=0
until "$timer" lookups 1 "x.$first" | grep -q ' 1$' || [ $n -ge 500 ]; do n=$((n + 1)); done
reload=$(($(now_ms) - start))
echo "  $domains domains blocked, same name: $("$timer" lookups "$count" www.shop.example)"
echo "  $domains domains blocked, new names: $("$timer" lookups "$count" n%d.c.shop.example)"
echo "  hosts file: $(wc -l </etc/hosts) lines; $(head -1 "$work/status.txt")"
last=$(tail -1 "$work/helper/block_domains.txt")
echo "blocked names (NXDOMAIN), mean of $count (us; second figure: failures, all expected)"
echo "  the domain and two levels below: $("$timer" lookups "$count" "$first" "a.$first" \
    "b.a.$first" "$last" "x.$last")"
echo "  new subdomains each time:        $("$timer" lookups "$count" "n%d.$first")"
echo "reloading the whole list: helper writes it in $took ms; dnsmasq blocks a new name ${reload} ms after SIGHUP"

# A restart as systemd does it after dnsmasq dies: ExecStopPost, 200 ms, start, ExecStartPost.
"$timer" lookups 10000 "r%d.shop.example" >"$work/during.txt" &
lookups_pid=$!
sleep 0.2
start=$(now_ms)
kill -KILL "$(cat "$root/run/nattervane-dns.pid")"
NATTERVANE_INSTALL_ROOT=$root /bin/sh "$scripts/nv-dns.sh" down own
down=$(($(now_ms) - start))
sleep 0.2
/usr/sbin/dnsmasq --conf-file="$state/dnsmasq.conf" --log-facility="$work/dnsmasq.log"
NATTERVANE_INSTALL_ROOT=$root /bin/sh "$scripts/nv-dns.sh" up own
back=$(($(now_ms) - start))
wait "$lookups_pid"
echo "restart: redirect gone ${down} ms after the kill, dnsmasq back with the list after ${back} ms;"
echo "  10000 new-name lookups around it (mean us, failures): $(cat "$work/during.txt")"
echo "  a blocked name right after: $("$timer" lookups 1 "x.$first") (1 failure = blocked)"

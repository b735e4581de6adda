#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Turns off the Nattervane blocking helper and event service: stops and disables the units and
# removes their configuration, copies, firewall and redirect tables, DNS drop-ins, hosts block.
# Usage (as root): nv-uninstall.sh
# Every step runs even when an earlier one fails.
set -u

lib=/usr/local/lib/nattervane
state=/var/lib/nattervane
units=/etc/systemd/system
here=$(cd -- "$(dirname -- "$0")" && pwd)
# The copies nv-install.sh made, else the package's own beside this script (the package's removal
# runs it from <prefix>/share/nattervane/helper), so the hosts block goes even without the copies.
helper="$lib/nattervane-helper"
[ -x "$helper" ] || helper="$here/../../../bin/nattervane-helper"
dns="$lib/nv-dns.sh"
[ -f "$dns" ] || dns="$here/nv-dns.sh"
nm_conf=/etc/NetworkManager/conf.d/90-nattervane.conf
nm_dnsmasq=/etc/NetworkManager/dnsmasq.d/nattervane.conf
resolved_dropin=/run/systemd/resolved.conf.d/nattervane.conf
resolved_servers=/run/nattervane-dns.global.conf
all_units="nattervane-helper.path nattervane-helper.service nattervane-dns-reload.path
nattervane-dns-reload.service nattervane-dns.service nattervane-names.service
nattervane-events.service nattervane-journal.service"

have_systemd=no
command -v systemctl >/dev/null 2>&1 && [ -d /run/systemd/system ] && have_systemd=yes

# Stopping nattervane-dns.service takes dnsmasq out of the lookups (its ExecStopPost).
if [ "$have_systemd" = yes ]; then
    # shellcheck disable=SC2086 # one word per unit
    systemctl disable --now $all_units >/dev/null 2>&1
    # A unit that had failed stays listed until told otherwise.
    # shellcheck disable=SC2086 # one word per unit
    systemctl reset-failed $all_units >/dev/null 2>&1 || true
fi
for unit in $all_units; do
    rm -f "$units/$unit"
done
# The configuration the units read, and the link their path unit watches, once they stopped.
rm -f /etc/nattervane/helper.conf "$state/blocks"
rmdir /etc/nattervane 2>/dev/null
# The event service's hooks outlive it, pinned: removing the pins detaches them.
rm -rf /sys/fs/bpf/nattervane
# Its queue rules, which a service killed rather than stopped leaves behind.
nft delete table inet nattervane_hold >/dev/null 2>&1
for tool in iptables ip6tables; do
    command -v "$tool" >/dev/null 2>&1 || continue
    for _ in 1 2 3 4 5 6 7 8; do
        "$tool" -w -t mangle -D OUTPUT -j NATTERVANE_HOLD >/dev/null 2>&1 || break
    done
    "$tool" -w -t mangle -F NATTERVANE_HOLD >/dev/null 2>&1
    "$tool" -w -t mangle -X NATTERVANE_HOLD >/dev/null 2>&1
done
[ "$have_systemd" = yes ] && systemctl daemon-reload >/dev/null 2>&1

# The journal namespace: its journald instance and sockets, settings and records.
if [ "$have_systemd" = yes ]; then
    systemctl stop systemd-journald@nattervane.socket systemd-journald-varlink@nattervane.socket \
        systemd-journald@nattervane.service >/dev/null 2>&1 || true
    systemctl reset-failed systemd-journald@nattervane.service >/dev/null 2>&1 || true
fi
rm -rf /run/systemd/journal.nattervane
rm -f /etc/systemd/journald@nattervane.conf
rm -rf /var/log/journal/*.nattervane

# Whatever the stop left: the redirect table and the systemd-resolved drop-in.
[ -f "$dns" ] && sh "$dns" down own >/dev/null 2>&1
if [ -e "$resolved_dropin" ]; then
    [ -f "$dns" ] && sh "$dns" down resolved >/dev/null 2>&1
    rm -f "$resolved_dropin"
    [ "$have_systemd" = yes ] && systemctl try-reload-or-restart systemd-resolved.service >/dev/null 2>&1
fi
rm -f "$resolved_servers"
if [ -e "$nm_conf" ] || [ -e "$nm_dnsmasq" ]; then
    rm -f "$nm_conf" "$nm_dnsmasq"
    # The folders nv-install.sh made, newest first.
    [ -f "$state/made-folders" ] && sed -n '1!G;h;$p' "$state/made-folders" |
        while IFS= read -r folder; do rmdir "$folder" 2>/dev/null; done
    [ "$have_systemd" = yes ] && systemctl try-reload-or-restart NetworkManager.service >/dev/null 2>&1
fi

removed=no
if [ -x "$helper" ] && "$helper" remove; then
    removed=yes
else
    # Without the helper at least the firewall table goes; the hosts backup stays for the user.
    nft delete table inet nattervane >/dev/null 2>&1
    echo "nv-uninstall.sh: the /etc/hosts block may remain; a copy is in $state/hosts.backup" >&2
fi

rm -f "$lib/nattervane-helper" "$lib/nv-uninstall.sh" "$lib/nv-dns.sh" "$lib/trackers.txt"
rmdir "$lib" 2>/dev/null
rm -f "$state/status.txt" "$state/dns-block.conf" "$state/dnsmasq.conf" "$state/made-folders"
if [ "$removed" = yes ]; then
    rm -f "$state/hosts.backup"
    rmdir "$state" 2>/dev/null
fi
exit 0

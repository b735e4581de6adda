#!/bin/sh
# Removes the Nattervane blocking helper: units, firewall table, hosts block, files.
# Usage (as root): nv-uninstall.sh
# Every step runs even when an earlier one fails.
set -u

lib=/usr/local/lib/nattervane
state=/var/lib/nattervane
units=/etc/systemd/system
helper="$lib/nattervane-helper"

if command -v systemctl >/dev/null 2>&1; then
    systemctl disable --now nattervane-helper.path nattervane-helper.service >/dev/null 2>&1
fi
rm -f "$units/nattervane-helper.path" "$units/nattervane-helper.service"
if command -v systemctl >/dev/null 2>&1; then
    systemctl daemon-reload >/dev/null 2>&1
fi

removed=no
if [ -x "$helper" ] && "$helper" remove; then
    removed=yes
else
    # Without the helper at least the firewall table goes; the hosts backup stays for the user.
    nft delete table inet nattervane >/dev/null 2>&1
    echo "nv-uninstall.sh: the /etc/hosts block may remain; a copy is in $state/hosts.backup" >&2
fi

rm -f "$helper" "$lib/nv-uninstall.sh"
rmdir "$lib" 2>/dev/null
rm -f "$state/status.txt"
if [ "$removed" = yes ]; then
    rm -f "$state/hosts.backup"
    rmdir "$state" 2>/dev/null
fi
exit 0

#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Removes the Nattervane blocking helper: daemon, pf anchor rules, hosts block, files.
# Usage (as root): nv-uninstall.sh
# Every step runs even when an earlier one fails.
set -u

label=app.orvelle.nattervane.helper
support="/Library/Application Support/Nattervane"
plist="/Library/LaunchDaemons/$label.plist"
helper="$support/nattervane-helper"

launchctl bootout "system/$label" >/dev/null 2>&1
rm -f "$plist"

removed=no
# The helper flushes the anchor, lets go of its pf reference and removes the hosts block.
if [ -x "$helper" ] && "$helper" remove; then
    removed=yes
else
    # Without the helper at least the anchor is emptied; the hosts backup stays for the user.
    pfctl -a com.apple/nattervane -F all >/dev/null 2>&1
    echo "nv-uninstall.sh: the /etc/hosts block may remain; a copy is in $support/hosts.backup" >&2
fi

rm -f "$helper" "$support/nv-uninstall.sh" "$support/status.txt" "$support/helper.log"
if [ "$removed" = yes ]; then
    rm -f "$support/hosts.backup"
    rmdir "$support" 2>/dev/null
fi
exit 0

#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the trace checker itself: local-only calls pass, and each outside destination in a
# trace (a foreign DNS server, an IPv6 address in sendmsg, a non-DNS port of the DNS server)
# is reported.
set -eu
here=$(dirname "$0")
data=$1
check() { awk -v nameservers="10.255.255.53" -f "$here/outside_destinations.awk" "$@"; }
check "$data/strace_local_only.txt"
if report=$(check "$data/strace_local_only.txt" "$data/strace_outside.txt"); then
    echo "outside destinations were not reported"
    exit 1
fi
test "$(echo "$report" | grep -c '^outside destination')" -eq 3
echo "$report" | grep -q "8.8.8.8 port 53"
echo "$report" | grep -q "2001:db8::1 port 443"
echo "$report" | grep -q "10.255.255.53 port 80"
echo "checker: local calls pass, three outside destinations reported"

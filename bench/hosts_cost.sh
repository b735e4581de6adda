#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Time of one getaddrinfo("localhost") with this machine's hosts file as it is and with the
# helper's block of the whole tracker list added. Runs in a private mount namespace (root
# needed) with a temporary file bind-mounted over /etc/hosts, so the real one is never changed.
#
#   bench/hosts_cost.sh [build dir] [lookups]
set -eu

build=${1:-build}
count=${2:-200}
program=$build/bench/hosts_lookup
trackers=$(dirname "$0")/../resources/trackers.txt

if [ "${NV_IN_NAMESPACE:-}" != 1 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a private mount namespace" >&2; exit 1; }
    NV_IN_NAMESPACE=1 exec unshare -m "$0" "$build" "$count"
fi

mount --make-rprivate /
work=$(mktemp -d /tmp/nv-hosts-XXXXXX)
trap 'umount /etc/hosts 2>/dev/null || true; rm -rf "$work"' EXIT
"$program" make "$trackers" "$work/plain" "$work/blocked"

mount --bind "$work/plain" /etc/hosts
plain=$("$program" time "$count")
umount /etc/hosts
mount --bind "$work/blocked" /etc/hosts
blocked=$("$program" time "$count")
umount /etc/hosts

echo "getaddrinfo(\"localhost\"): ${plain} us without the block, ${blocked} us with it"
awk -v a="$plain" -v b="$blocked" 'BEGIN { printf "ratio %.0fx\n", b / a }'

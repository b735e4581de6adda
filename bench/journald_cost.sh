#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# What journald spends on the system journal export's records: a stand-alone journald for the
# namespace "nattervane" in private mount and network namespaces (tmpfs over /run/systemd and
# /var/log/journal), sent RECORDS records by the export code, and its CPU time from /proc before
# and after. Prints the time per record and what 10 records a second cost of a core.
#
#   bench/journald_cost.sh [build dir] [records]
set -u
build=${1:-build}
records=${2:-10000}
writer=$(realpath "$build/tests/core/journal_writer")
journald=/lib/systemd/systemd-journald

if [ "${NV_IN_NAMESPACE:-}" != 1 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root for namespaces" >&2; exit 1; }
    [ -x "$writer" ] && [ -x "$journald" ] || { echo "needs $writer and $journald" >&2; exit 1; }
    NV_IN_NAMESPACE=1 exec unshare -m -n /bin/sh "$0" "$build" "$records"
fi

work=$(mktemp -d /tmp/nv-journald-cost.XXXXXX)
mount --make-rprivate /
mkdir -p /var/log/journal
mount -t tmpfs tmpfs /run/systemd
mount -t tmpfs tmpfs /var/log/journal
"$journald" nattervane >"$work/journald.log" 2>&1 &
pid=$!
socket=/run/systemd/journal.nattervane/socket
tries=0
while [ ! -S "$socket" ] && [ "$tries" -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
# User and system time in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
before=$(ticks)
"$writer" "$socket" "$records" >"$work/writer.log" 2>&1
sleep 1
after=$(ticks)
echo "writer: $(cat "$work/writer.log")"
awk -v ticks=$((after - before)) -v hz="$(getconf CLK_TCK)" -v n="$records" 'BEGIN {
    per = ticks / hz / n * 1e6
    printf "journald: %d ticks for %d records, %.1f us a record, %.4f %% of a core at 10 a second\n",
        ticks, n, per, per * 10 / 1e4 }'
kill "$pid"
sleep 0.3
umount /var/log/journal /run/systemd
rm -rf "$work"

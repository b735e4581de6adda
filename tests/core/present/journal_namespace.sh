#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The records of the system journal export with the real journald, journal-upload and
# journal-remote, inside private mount and network namespaces: tmpfs over /run/systemd and
# /var/log/journal, a stand-alone journald for the namespace "nattervane", records sent by the
# export code, uploaded over loopback to a journal-remote and read back field by field.
# Usage (as root): journal_namespace.sh JOURNAL_WRITER
# Exits 77 (skipped) without root or the tools, 1 when a check fails.
set -u
writer=$1
count=20
journald=/lib/systemd/systemd-journald
remote=/lib/systemd/systemd-journal-remote
upload=/lib/systemd/systemd-journal-upload

if [ "${NV_IN_NAMESPACE:-}" != 1 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "skipped: needs root for namespaces"; exit 77; }
    for tool in $journald $remote $upload journalctl jq unshare; do
        command -v "$tool" >/dev/null || { echo "skipped: needs $tool"; exit 77; }
    done
    NV_IN_NAMESPACE=1 exec unshare -m -n /bin/sh "$0" "$@"
fi

work=$(mktemp -d /tmp/nv-journal-test.XXXXXX)
# shellcheck source=tests/support/namespace_checks.sh
. "$(dirname -- "$0")/../../support/namespace_checks.sh"

cleanup() {
    stop_daemons
    sleep 0.2
    umount /var/log/journal /run/systemd 2>/dev/null
    finish_work
}
trap cleanup EXIT

# Waits up to 10 s for the file $1.
wait_for() {
    tries=0
    while [ ! -e "$1" ] && [ "$tries" -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    [ -e "$1" ]
}

mount --make-rprivate /
mkdir -p /var/log/journal
mount -t tmpfs tmpfs /run/systemd
mount -t tmpfs tmpfs /var/log/journal
ip link set lo up
"$journald" nattervane >"$work/journald.log" 2>&1 &
echo $! >"$work/journald.pid"
socket=/run/systemd/journal.nattervane/socket
wait_for "$socket" || { check "journald's socket" missing there; exit 1; }

"$writer" "$socket" "$count" >"$work/writer.log" 2>&1
check "writer" "$?:$(cat "$work/writer.log")" "0:sent=$((count + 2)) refused=0"
journalctl --namespace=nattervane --sync 2>/dev/null ||
    kill -USR1 "$(cat "$work/journald.pid")"
sleep 0.5
local_records=$(journalctl --namespace=nattervane -o json SYSLOG_IDENTIFIER=nattervane | wc -l)
check "records in the namespace" "$local_records" "$((count + 2))"

mkdir "$work/remote"
"$remote" --listen-http=127.0.0.1:19532 --output="$work/remote/" >"$work/remote.log" 2>&1 &
echo $! >"$work/remote.pid"
tries=0
until ss -Hltn 'sport = 19532' | grep -q . || [ "$tries" -ge 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
"$upload" --save-state="$work/upload.state" --url=http://127.0.0.1:19532 \
    -D "$(dirname "$(find /var/log/journal -name '*.journal' | head -n 1)")" \
    >"$work/upload.log" 2>&1 &
echo $! >"$work/upload.pid"
tries=0
got=0
while [ "$tries" -lt 100 ]; do
    got=$(journalctl -D "$work/remote" -o json SYSLOG_IDENTIFIER=nattervane 2>/dev/null | wc -l)
    [ "$got" -ge "$((count + 2))" ] && break
    sleep 0.1
    tries=$((tries + 1))
done
check "records uploaded" "$got" "$((count + 2))"

json=$(journalctl -D "$work/remote" -o json SYSLOG_IDENTIFIER=nattervane)
first=$(printf '%s\n' "$json" | jq -c 'select(.NATTERVANE_HOST == "h0.example")')
field() { printf '%s\n' "$first" | jq -r ".$1 | if type == \"array\" then implode else . end"; }
check "program with a newline" "$(field NATTERVANE_PROGRAM)" "$(printf 'Line\nbreak')"
check "connection fields" \
    "$(for name in MESSAGE_ID PRIORITY NATTERVANE_EXECUTABLE NATTERVANE_USER NATTERVANE_ADDRESS \
        NATTERVANE_PORT NATTERVANE_DIRECTION NATTERVANE_CATEGORY NATTERVANE_COMPANY \
        NATTERVANE_LISTED_DOMAIN NATTERVANE_BYTES_IN NATTERVANE_BYTES_OUT NATTERVANE_BLOCKED \
        NATTERVANE_RULE _UID; do printf '%s ' "$(field $name)"; done)" \
    "055a4303ddf34ad5be35671ad94e473f 6 /usr/bin/fetcher tester 192.0.2.9 443 outgoing analytics Example Analytics example 1000 2000 yes example 0 "
message=$(field MESSAGE)
echo "MESSAGE: $message"
check "a sentence" "$([ -n "$message" ] && echo yes)" yes
check "rule and answer" \
    "$(printf '%s\n' "$json" | jq -r 'select(.NATTERVANE_ACTION or .NATTERVANE_ANSWER) |
        [.MESSAGE_ID, (.NATTERVANE_ACTION // .NATTERVANE_ANSWER)] | join(" ")' | sort | tr '\n' ,)" \
    "a3311bf14491481eb4621afa7b557135 Block,e88b0662301546699adb839c3482f321 block,"
# journald's own time for the records, from /proc, against its whole life.
ticks=$(awk '{ print $14 + $15 }' "/proc/$(cat "$work/journald.pid")/stat")
echo "journald CPU for $((count + 2)) records: $ticks ticks of 1/$(getconf CLK_TCK) s, start-up included"
summary

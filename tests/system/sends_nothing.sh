#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one command-line scan and, when given, the application in snapshot mode under strace in
# a private network namespace, with a held connection to a public-looking address so that both
# have a foreign flow to look up and explain. Fails on any connect, sendto, sendmsg or sendmmsg
# to an internet destination other than loopback or a DNS server of this system.
# Arguments: CLI HOLDER [APP]
set -eu
here=$(cd "$(dirname "$0")" && pwd)

trace() {
    name=$1
    shift
    # LeakSanitizer cannot run under ptrace; sanitizer builds run traced without it.
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        timeout 90 strace -f -qq -o "$work/$name.trace" -e trace=connect,sendto,sendmsg,sendmmsg "$@"
}

# Inside the namespace: lo up, 198.51.100.1 on it, a connection to it held while both run.
run_inside() {
    ip link set lo up
    ip addr add 198.51.100.1/32 dev lo
    mkfifo "$work/hold"
    "$holder" 198.51.100.1 <"$work/hold" >"$work/held" &
    exec 3>"$work/hold"
    for _ in $(seq 50); do
        grep -q ready "$work/held" && break
        sleep 0.1
    done
    grep -q ready "$work/held"
    trace cli "$cli" scan --wait 1 >"$work/scan.txt"
    grep -q 198.51.100.1 "$work/scan.txt"
    if [ -n "$app" ]; then
        NATTERVANE_SNAPSHOT="$work/out" NATTERVANE_SNAPSHOT_WAIT=2 NATTERVANE_SNAPSHOT_QUIT=1 \
            QT_QPA_PLATFORM=offscreen trace app "$app"
        test -s "$work/out/menu.txt"
    fi
    exec 3>&-
    wait
}

if [ "${1:-}" = --inside ]; then
    run_inside
    exit 0
fi

cli=$1
holder=$2
app=${3:-}
if ! unshare -n true 2>/dev/null; then
    echo "skipped: cannot make a private network namespace (needs root)"
    exit 0
fi
if ! command -v strace >/dev/null; then
    echo "skipped: strace is not installed"
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export work cli holder app NATTERVANE_HOME="$work/home" LANG=C.UTF-8
unshare -n "$0" --inside

nameservers=$(awk '$1 == "nameserver" { printf "%s ", $2 }' /etc/resolv.conf 2>/dev/null || true)
awk -v nameservers="$nameservers" -f "$here/outside_destinations.awk" "$work"/*.trace

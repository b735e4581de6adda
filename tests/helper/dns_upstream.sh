# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the DNS tests and benchmark: the upstream name server they resolve through.

# Starts a dnsmasq with the options after $2 in a network namespace of its own, behind a veth
# pair (nv0 here at 192.0.2.1, nv1 there at $2), with its pid file and log in $1. Sets
# upstream_pid to the background job; fails when the pair cannot be made.
start_upstream() {
    upstream_dir=$1
    upstream_address=$2
    shift 2
    # It waits for its end of the veth pair, then serves.
    unshare -n /bin/sh -c '
        dir=$0 address=$1
        shift
        echo $$ >"$dir/upstream-ns.pid"
        n=0
        until ip link show nv1 >/dev/null 2>&1 || [ $n -ge 50 ]; do n=$((n + 1)); sleep 0.1; done
        rm -f "$dir/upstream-ns.pid"
        ip link set lo up && ip addr add "$address/24" dev nv1 && ip link set nv1 up &&
        exec /usr/sbin/dnsmasq --keep-in-foreground --no-resolv --no-hosts --bind-interfaces \
            --listen-address="$address" --user=root --pid-file="$dir/upstream.pid" \
            --log-facility="$dir/upstream.log" "$@"
    ' "$upstream_dir" "$upstream_address" "$@" &
    upstream_pid=$!
    n=0
    until [ -s "$upstream_dir/upstream-ns.pid" ] || [ $n -ge 50 ]; do n=$((n + 1)); sleep 0.1; done
    ip link add nv0 type veth peer name nv1 netns "$(cat "$upstream_dir/upstream-ns.pid")" &&
        ip addr add 192.0.2.1/24 dev nv0 && ip link set nv0 up
}

#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package in this machine's own system booted in a container (systemd-nspawn over an
# overlay of /): installed with dpkg, blocking turned on with nv-install.sh as the application
# does, the package installed again over itself (an upgrade, which must keep blocking on), then
# purged with apt-get; then installed over units an older version wrote, and purged again. Afterwards no unit, firewall table, DNS drop-in, hosts block, pinned hook,
# dnsmasq or state folder may be left, and the user's own folder must be as it was.
# Usage (as root): package_purge.sh BUILD_DIR SOURCE_DIR OUT_DIR
# Exits 0 when all holds, or after "package_purge: cannot ...: <reason>" when this machine cannot
# boot a container; any other failure exits 1. Logs go to OUT_DIR.
set -euo pipefail

script=package_purge.sh
# shellcheck source=tests/session/container_lib.sh
. "$(dirname -- "$0")/../session/container_lib.sh"

# The event service loads BPF programs; systemd-nspawn keeps these from a container unless asked.
nspawn_options=(--capability=CAP_BPF,CAP_PERFMON,CAP_NET_ADMIN --system-call-filter=bpf)
blocked_address=203.0.113.77
# Not in the tracker list, so it is the user's own and goes to /etc/hosts in every DNS mode.
blocked_domain=own-blocked.example
# A folder name systemd would read otherwise were it not quoted and escaped for its environment
# files: a space, quotes, a dollar sign, a backslash and a percent sign.
block_dir="$app_home/it's \"mine\" \$HOME \\ 100%/helper"

make_package() {
    say "building the package"
    rm -rf -- "$out/package"
    (cd "$build" && cpack -G DEB -B "$out/package") >"$out/cpack.log" 2>&1 ||
        fail "cpack failed (see $out/cpack.log)"
    deb=$(ls "$out"/package/nattervane_*.deb)
    dpkg-deb -I "$deb" prerm >/dev/null || fail "the package has no prerm"
    dpkg-deb -I "$deb" postrm >/dev/null || fail "the package has no postrm"
}

# A BPF file system for the container's /sys/fs/bpf, where a booted system has one.
bpf_fs() {
    mkdir -p "$top/bpf"
    mount -t bpf -o mode=0700 bpf "$top/bpf" || cannot "mount a BPF file system" "mount -t bpf failed"
    nspawn_options+=(--bind="$top/bpf:/sys/fs/bpf")
}

install_package() {
    limit=120 inside env DEBIAN_FRONTEND=noninteractive dpkg -i "$deb" >>"$out/dpkg.log" 2>&1 ||
        fail "dpkg -i failed (see $out/dpkg.log)"
}

# The block files as the application writes them, in the user's folder.
write_block_files() {
    as_user mkdir -p "$block_dir" || fail "cannot make $block_dir"
    as_user sh -c 'echo "$1" >"$0/block_ips.txt" && echo "$2" >"$0/block_domains.txt"' \
        "$block_dir" "$blocked_address" "$blocked_domain" || fail "cannot write the block files"
    inside find "$user_home" -exec stat -c '%n %s %Y %a' {} + | sort >"$out/home-before.txt"
}

blocking_on() {
    inside nft list table inet nattervane 2>/dev/null | grep -qF "$blocked_address" &&
        inside grep -qF "$blocked_domain" /etc/hosts &&
        inside systemctl is-active --quiet nattervane-helper.path
}

# Which parts of blocking are there, for a failure's message.
blocking_parts() {
    local table=no hosts=no path
    inside nft list table inet nattervane 2>/dev/null | grep -qF "$blocked_address" && table=yes
    inside grep -qF "$blocked_domain" /etc/hosts && hosts=yes
    path=$(inside systemctl is-active nattervane-helper.path 2>&1 || true)
    echo "address in the table: $table, domain in /etc/hosts: $hosts, path unit: $path"
}

turn_on() {
    say "turning blocking on with nv-install.sh"
    inside cp -p /etc/hosts "$inner/hosts.before"
    limit=90 inside /usr/share/nattervane/helper/nv-install.sh "$block_dir" "$user" \
        >"$out/nv-install.log" 2>&1 || fail "nv-install.sh failed (see $out/nv-install.log)"
    wait_for 15 blocking_on ||
        fail "blocking is not on: table, hosts block or path unit missing (see $out/journal.txt)"
    # What there is to remove, for the log: the mode decides which DNS units and files exist.
    {
        inside head -1 /var/lib/nattervane/status.txt
        inside nft list tables
        inside systemctl list-units --all --plain --no-legend 'nattervane*'
        inside ls /sys/fs/bpf/nattervane 2>&1
    } >"$out/blocking-on.txt" 2>&1 || true
    say "blocking is on: $(inside head -1 /var/lib/nattervane/status.txt)"
    inside test -d /sys/fs/bpf/nattervane ||
        say "note: the event service pinned no hooks here; their removal is not seen"
}

check_upgrade() {
    say "installing the package again over itself"
    install_package
    blocking_on || fail "blocking is off after the package was installed over itself: \
$(blocking_parts)"
    inside test -f /etc/nattervane/helper.conf || fail "the upgrade removed the configuration"
    ! inside test -e /usr/local/lib/nattervane || fail "the package's helper was copied to /usr/local/lib"
    say "blocking stays on across the upgrade"
}

# Blocking turned on by an older version, whose nv-install.sh wrote filled-in units into
# /etc/systemd/system (here only the lines the package reads of them): installing the package
# moves it to the package's units and keeps it on.
check_migration() {
    say "installing over blocking turned on by an older version"
    local legacy=$merged/etc/systemd/system
    printf '[Path]\nPathChanged=%s/block_ips.txt\nPathChanged=%s/block_domains.txt\n' \
        "${block_dir//%/%%}" "${block_dir//%/%%}" >"$legacy/nattervane-helper.path"
    printf '[Service]\nExecStart=/usr/local/lib/nattervane/nattervane-helper apply "%s" --user "%s" --dns hosts\n' \
        "$block_dir" "$user" >"$legacy/nattervane-helper.service"
    install_package
    wait_for 15 blocking_on || fail "blocking is not on after the package replaced the old units: \
$(blocking_parts) (see $out/dpkg.log)"
    ! inside test -e /etc/systemd/system/nattervane-helper.path ||
        fail "the old path unit is still in /etc/systemd/system"
    inside grep -qx 'NATTERVANE_DNS=hosts' /etc/nattervane/helper.conf ||
        fail "the configuration does not keep the old mode: $(inside cat /etc/nattervane/helper.conf)"
    say "blocking moved to the package's units: $(inside head -1 /var/lib/nattervane/status.txt)"
}

# Prints every trace of the helper or the package still on the system, one line each. Each probe
# that finds nothing fails, so none of them may end the script.
leftovers() (
    set +e +o pipefail
    local path
    for path in /etc/systemd/system /run/systemd/system /usr/local/lib /var/lib \
        /etc/NetworkManager /run/systemd/resolved.conf.d /etc/polkit-1 /usr/share/polkit-1 \
        /run; do
        inside find "$path" -maxdepth 3 -name '*nattervane*' 2>/dev/null | sed 's/^/file: /'
    done
    inside test ! -e /sys/fs/bpf/nattervane || echo "pinned hooks: /sys/fs/bpf/nattervane"
    inside test ! -e /etc/nattervane || echo "configuration: /etc/nattervane"
    inside systemctl list-units --all --plain --no-legend 'nattervane*' | sed 's/^/unit: /'
    inside systemctl list-unit-files --plain --no-legend 'nattervane*' | sed 's/^/unit file: /'
    inside nft list tables | grep nattervane | sed 's/^/nft: /'
    inside grep -i nattervane /etc/hosts | sed 's/^/hosts: /'
    inside cmp -s /etc/hosts "$inner/hosts.before" || echo "hosts: differs from before"
    inside pgrep -a dnsmasq | grep nattervane | sed 's/^/process: /'
    inside dpkg-query -W -f='${Status}\n' nattervane 2>/dev/null | sed 's/^/dpkg: /'
    true
)

purge() {
    say "purging the package with apt-get"
    limit=120 inside env DEBIAN_FRONTEND=noninteractive apt-get purge -y nattervane \
        >"$out/purge.log" 2>&1 || fail "apt-get purge failed (see $out/purge.log)"
    leftovers >"$out/leftovers.txt"
    [ ! -s "$out/leftovers.txt" ] || fail "left after the purge: $(paste -sd';' "$out/leftovers.txt")"
    inside find "$user_home" -exec stat -c '%n %s %Y %a' {} + | sort >"$out/home-after.txt"
    cmp -s "$out/home-before.txt" "$out/home-after.txt" ||
        fail "the user's folder changed: $(diff "$out/home-before.txt" "$out/home-after.txt")"
    say "no unit, unit file, table, drop-in, hosts line, pinned hook, dnsmasq, state folder or" \
        "package file is left; the user's folder is as it was"
}

# Removing and purging a package whose helper was never turned on.
check_never_turned_on() {
    say "installing and purging without turning blocking on"
    install_package
    limit=120 inside env DEBIAN_FRONTEND=noninteractive apt-get purge -y nattervane \
        >>"$out/purge.log" 2>&1 || fail "apt-get purge of a package never turned on failed"
    leftovers >"$out/leftovers-never-on.txt"
    [ ! -s "$out/leftovers-never-on.txt" ] ||
        fail "left after the purge: $(paste -sd';' "$out/leftovers-never-on.txt")"
}

trap cleanup EXIT
trap 'fail interrupted' INT TERM HUP

main() {
    [ "$(id -u)" -eq 0 ] || cannot "run the package test" "it needs root"
    local tool
    for tool in systemd-nspawn nsenter setpriv cpack dpkg-deb nft; do
        command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
    done
    make_package
    mount_overlay
    bpf_fs
    boot
    add_user
    inside cp -p /etc/hosts "$inner/hosts.before"
    check_never_turned_on
    install_package
    write_block_files
    turn_on
    check_upgrade
    purge
    check_migration
    purge
}

main

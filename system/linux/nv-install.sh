#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Turns on the Nattervane blocking helper: writes /etc/nattervane/helper.conf (the folder, its
# owner, the DNS mode), which the units read, and enables the units.
# Usage (as root): nv-install.sh DIR USER
#   DIR   the directory holding block_ips.txt and block_domains.txt
#   USER  the login name that owns them
# Installed (a package, cmake --install), the units and the helper are files of the installation.
# From a source tree, where the unit templates lie beside this script, the helper and its scripts
# are copied to /usr/local/lib/nattervane and the units to /etc/systemd/system first.
# Blocked domains go to dnsmasq by the first mode nv-dns.sh detects (resolved, networkmanager,
# own), else to /etc/hosts.
# NATTERVANE_INSTALL_ROOT, when set, installs below that directory and starts nothing (tests);
# NATTERVANE_DNS_MODE, when set, replaces the detected mode.
set -eu
unset CDPATH

root=${NATTERVANE_INSTALL_ROOT:-}
lib="$root/usr/local/lib/nattervane"
state="$root/var/lib/nattervane"
units="$root/etc/systemd/system"
conf="$root/etc/nattervane/helper.conf"
all_units="nattervane-helper.path nattervane-helper.service nattervane-dns-reload.path
nattervane-dns-reload.service nattervane-dns.service nattervane-names.service
nattervane-events.service nattervane-journal.service"
nm_conf="$root/etc/NetworkManager/conf.d/90-nattervane.conf"
nm_dnsmasq="$root/etc/NetworkManager/dnsmasq.d/nattervane.conf"
here=$(cd -- "$(dirname -- "$0")" && pwd)

die() {
    echo "nv-install.sh: $*" >&2
    exit 1
}

[ "$#" -eq 2 ] || die "usage: nv-install.sh DIR USER"
dir=$1
user=$2
[ "$(id -u)" -eq 0 ] || die "must run as root"
case $dir in
/*) ;;
*) die "the block file directory must be an absolute path" ;;
esac
newline='
'
case "$dir$user" in
*"$newline"* | *"	"*) die "line breaks and tabs are not allowed in the directory or user name" ;;
esac
id -u -- "$user" >/dev/null 2>&1 || die "no such user: $user"
if [ -z "$root" ]; then
    [ -d /run/systemd/system ] || die "systemd is not running"
fi

# Copies file $1 to $2 with mode $3, replacing $2 in one step.
put_file() {
    cp "$1" "$2.tmp"
    chmod "$3" "$2.tmp"
    mv -f "$2.tmp" "$2"
}

# Writes standard input to $1, readable by all.
write_file() {
    cat >"$1.tmp"
    chmod 0644 "$1.tmp"
    mv -f "$1.tmp" "$1"
}

# One value of a systemd environment file: double-quoted, with \ " ` and $ escaped, so that any
# folder name reaches the helper as it is, as one argument.
env_quote() {
    printf '"%s"' "$(printf '%s' "$1" | sed -e 's/[\\"`$]/\\&/g')"
}

# The configuration every unit reads.
write_conf() {
    {
        echo "# Written by nv-install.sh when blocking is turned on; read by the nattervane-* units."
        printf 'NATTERVANE_DIR=%s\nNATTERVANE_USER=%s\nNATTERVANE_DNS=%s\n' "$(env_quote "$dir")" \
            "$(env_quote "$user")" "$1"
    } | write_file "$conf"
}

# From a source tree: the helper, its scripts and the tracker list into $lib, the units into
# $units with the paths of those copies.
copy_from_source() {
    binary=""
    for candidate in "$here/nattervane-helper" "$here/../../build/src/helper/nattervane-helper"; do
        if [ -x "$candidate" ]; then
            binary=$candidate
            break
        fi
    done
    [ -n "$binary" ] || die "nattervane-helper not found beside $here"
    mkdir -p "$lib" "$units"
    chmod 0755 "$lib"
    put_file "$binary" "$lib/nattervane-helper" 0755
    put_file "$here/nv-uninstall.sh" "$lib/nv-uninstall.sh" 0755
    put_file "$here/nv-dns.sh" "$lib/nv-dns.sh" 0755
    # The shipped tracker list tells the helper which blocked domains are listed ones (DNS only)
    # and which the user's own (DNS and /etc/hosts).
    for candidate in "$here/../trackers.txt" "$here/../../resources/trackers.txt"; do
        if [ -f "$candidate" ]; then
            put_file "$candidate" "$lib/trackers.txt" 0644
            break
        fi
    done
    for unit in $all_units; do
        sed -e "s|@HELPER@|/usr/local/lib/nattervane/nattervane-helper|g" \
            -e "s|@SCRIPTS@|/usr/local/lib/nattervane|g" \
            -e "s|@LISTED@|/usr/local/lib/nattervane/trackers.txt|g" "$here/$unit" |
            write_file "$units/$unit"
    done
}

# Installed: the copies an earlier install from a source tree (or an older version) made would
# hide the installation's own units. Disabled first, so that enabling the installed ones does
# not meet their links.
drop_copies() {
    for unit in $all_units; do
        [ -e "$units/$unit" ] || continue
        [ -n "$root" ] || systemctl disable "$unit" >/dev/null 2>&1 || true
        rm -f "$units/$unit"
    done
    rm -f "$lib/nattervane-helper" "$lib/nv-uninstall.sh" "$lib/nv-dns.sh" "$lib/trackers.txt"
    rmdir "$lib" 2>/dev/null || true
}

mkdir -p "$state" "$(dirname -- "$conf")" "$root/etc/systemd"
chmod 0755 "$state"
if [ -f "$here/nattervane-helper.service" ]; then
    copy_from_source
else
    drop_copies
fi

mode=${NATTERVANE_DNS_MODE:-$(NATTERVANE_INSTALL_ROOT=$root sh "$here/nv-dns.sh" detect)}
case $mode in
hosts | resolved | networkmanager | own) ;;
*) die "unknown DNS mode: $mode" ;;
esac
if [ "$mode" != hosts ]; then
    # dnsmasq must find the servers-file from its start on; the helper fills it.
    [ -e "$state/dns-block.conf" ] ||
        printf 'server=/use-application-dns.net/\n' | write_file "$state/dns-block.conf"
fi
case $mode in
resolved | own)
    NATTERVANE_INSTALL_ROOT=$root sh "$here/nv-dns.sh" config "$mode" |
        write_file "$state/dnsmasq.conf"
    ;;
networkmanager)
    # NetworkManager runs dnsmasq with --conf-dir=/etc/NetworkManager/dnsmasq.d. Folders made
    # here are listed, so nv-uninstall.sh removes them again.
    for folder in "$(dirname -- "$nm_conf")" "$(dirname -- "$nm_dnsmasq")"; do
        if [ ! -d "$folder" ]; then
            mkdir -p "$folder"
            echo "${folder#"$root"}" >>"$state/made-folders"
        fi
    done
    printf '# Written by nv-install.sh: NetworkManager answers lookups with dnsmasq.\n%s\n%s\n' \
        '[main]' 'dns=dnsmasq' | write_file "$nm_conf"
    printf '# Written by nv-install.sh: the domains Nattervane blocks.\nservers-file=%s\n' \
        "$state/dns-block.conf" | write_file "$nm_dnsmasq"
    ;;
esac
# The first backup is kept: it is the hosts file from before Nattervane ever touched it.
if [ ! -e "$state/hosts.backup" ] && [ -f "$root/etc/hosts" ]; then
    cp -p "$root/etc/hosts" "$state/hosts.backup"
fi
put_file "$here/journald@nattervane.conf" "$root/etc/systemd/journald@nattervane.conf" 0644
# The path unit watches the block files through this link.
rm -f "$state/blocks"
ln -s "$dir" "$state/blocks"
write_conf "$mode"

# The units a mode does not use.
unused=""
case $mode in
hosts) unused="nattervane-dns.service nattervane-names.service nattervane-dns-reload.path
nattervane-dns-reload.service" ;;
networkmanager) unused="nattervane-dns.service nattervane-names.service" ;;
esac

[ -z "$root" ] || exit 0
systemctl daemon-reload || true
# shellcheck disable=SC2086 # one word per unit
[ -z "$unused" ] || systemctl disable --now $unused >/dev/null 2>&1 || true
if ! { systemctl enable nattervane-helper.service &&
    systemctl enable --now nattervane-helper.path; }; then
    sh "$here/nv-uninstall.sh"
    die "systemd did not take the units; nothing is left installed"
fi
case $mode in
resolved | own)
    # Restarted, so that a running one takes the configuration. Without a running dnsmasq the
    # domains go to /etc/hosts as before.
    if ! { systemctl enable nattervane-dns.service &&
        systemctl restart nattervane-dns.service; }; then
        systemctl disable --now nattervane-dns.service
        echo "nv-install.sh: dnsmasq did not start; blocked domains go to /etc/hosts" >&2
        mode=hosts
        write_conf hosts
        systemctl stop nattervane-names.service
    fi
    ;;
networkmanager)
    systemctl reload NetworkManager.service ||
        echo "nv-install.sh: NetworkManager did not reload; its dnsmasq starts with its next start" >&2
    ;;
esac
[ "$mode" = hosts ] || systemctl enable --now nattervane-dns-reload.path || true
# Without the event service the application finds connections by scanning, as before.
# Restarted, so that a running one serves the user and rules now configured; its pinned hooks
# stay in force meanwhile.
{ systemctl enable nattervane-events.service && systemctl restart nattervane-events.service; } ||
    echo "nv-install.sh: the event service did not start; connections are found by scanning" >&2
# The system journal's namespace for users who turn on writing their journal there.
systemctl enable --now nattervane-journal.service ||
    echo "nv-install.sh: the journal namespace nattervane did not start" >&2
# Apply once now; a failure shows in the status file and the journal, not here.
systemctl start nattervane-helper.service || true

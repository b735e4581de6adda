#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Nattervane blocking helper as a systemd service.
# Usage (as root): nv-install.sh DIR USER
#   DIR   the directory holding block_ips.txt and block_domains.txt
#   USER  the login name that owns them
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

binary=""
# Beside this script, in <prefix>/bin when installed under <prefix>/share/nattervane/helper, or in
# the build folder of a source tree.
for candidate in "$here/nattervane-helper" "$here/../../../bin/nattervane-helper" \
    "$here/../../build/src/helper/nattervane-helper"; do
    if [ -x "$candidate" ]; then
        binary=$candidate
        break
    fi
done
[ -n "$binary" ] || die "nattervane-helper not found beside $here"

# One argument of ExecStart: double-quoted, with systemd's escapes for \ " % and $.
exec_quote() {
    printf '"%s"' "$(printf '%s' "$1" | sed -e 's/\\/\\\\/g' -e 's/"/\\"/g' -e 's/%/%%/g' \
        -e 's/\$/$$/g')"
}

# A path setting: only % is special.
path_quote() {
    printf '%s' "$1" | sed -e 's/%/%%/g'
}

# Copies template $1 to $2, replacing each @KEY@ with the environment variable NV_KEY. One pass
# from left to right, so a value that holds @KEY@ itself (a folder name may) is copied as it is.
fill() {
    awk 'BEGIN { count = split("DIR USER BLOCK_IPS BLOCK_DOMAINS BLOCK_PROGRAMS MODE", keys, " ") }
        {
            line = $0
            out = ""
            at = index(line, "@")
            while (at > 0) {
                out = out substr(line, 1, at - 1)
                line = substr(line, at)
                found = 0
                for (k = 1; k <= count && !found; k++) {
                    key = "@" keys[k] "@"
                    if (substr(line, 1, length(key)) == key) {
                        out = out ENVIRON["NV_" keys[k]]
                        line = substr(line, length(key) + 1)
                        found = 1
                    }
                }
                if (!found) {
                    out = out "@"
                    line = substr(line, 2)
                }
                at = index(line, "@")
            }
            print out line
        }' "$1" >"$2.tmp"
    chmod 0644 "$2.tmp"
    mv -f "$2.tmp" "$2"
}

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

mkdir -p "$lib" "$state" "$units"
chmod 0755 "$lib" "$state"
put_file "$binary" "$lib/nattervane-helper" 0755
put_file "$here/nv-uninstall.sh" "$lib/nv-uninstall.sh" 0755
put_file "$here/nv-dns.sh" "$lib/nv-dns.sh" 0755
# The shipped tracker list tells the helper which blocked domains are listed ones (DNS only) and
# which the user's own (DNS and /etc/hosts).
for candidate in "$here/../trackers.txt" "$here/../../resources/trackers.txt"; do
    if [ -f "$candidate" ]; then
        put_file "$candidate" "$lib/trackers.txt" 0644
        break
    fi
done

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

NV_DIR=$(exec_quote "$dir")
NV_USER=$(exec_quote "$user")
NV_BLOCK_IPS=$(path_quote "$dir/block_ips.txt")
NV_BLOCK_DOMAINS=$(path_quote "$dir/block_domains.txt")
NV_BLOCK_PROGRAMS=$(exec_quote "$dir/block_programs.txt")
NV_MODE=$mode
export NV_DIR NV_USER NV_BLOCK_IPS NV_BLOCK_DOMAINS NV_BLOCK_PROGRAMS NV_MODE
# A reinstall in another mode drops the DNS units that mode does not use.
stale=""
case $mode in
hosts) stale="nattervane-dns.service nattervane-names.service nattervane-dns-reload.path
nattervane-dns-reload.service" ;;
networkmanager) stale="nattervane-dns.service nattervane-names.service" ;;
esac
for unit in $stale; do
    [ -e "$units/$unit" ] || continue
    [ -n "$root" ] || systemctl disable --now "$unit" >/dev/null 2>&1 || true
    rm -f "$units/$unit"
done
case $mode in
resolved | own)
    fill "$here/nattervane-names.service" "$units/nattervane-names.service"
    fill "$here/nattervane-dns.service" "$units/nattervane-dns.service"
    ;;
esac
if [ "$mode" != hosts ]; then
    fill "$here/nattervane-dns-reload.service" "$units/nattervane-dns-reload.service"
    fill "$here/nattervane-dns-reload.path" "$units/nattervane-dns-reload.path"
fi
fill "$here/nattervane-helper.service" "$units/nattervane-helper.service"
fill "$here/nattervane-events.service" "$units/nattervane-events.service"
fill "$here/nattervane-journal.service" "$units/nattervane-journal.service"
put_file "$here/journald@nattervane.conf" "$root/etc/systemd/journald@nattervane.conf" 0644
# The path unit is the installed marker, so it comes last.
fill "$here/nattervane-helper.path" "$units/nattervane-helper.path"

[ -z "$root" ] || exit 0
if ! { systemctl daemon-reload &&
    systemctl enable nattervane-helper.service &&
    systemctl enable --now nattervane-helper.path; }; then
    "$lib/nv-uninstall.sh"
    die "systemd did not take the units; nothing is left installed"
fi
case $mode in
resolved | own)
    # Without a running dnsmasq the domains go to /etc/hosts as before.
    if ! systemctl enable --now nattervane-dns.service; then
        systemctl disable --now nattervane-dns.service
        echo "nv-install.sh: dnsmasq did not start; blocked domains go to /etc/hosts" >&2
        NV_MODE=hosts
        fill "$here/nattervane-helper.service" "$units/nattervane-helper.service"
        systemctl stop nattervane-names.service
        rm -f "$units/nattervane-dns.service" "$units/nattervane-names.service" \
            "$units/nattervane-dns-reload.service" "$units/nattervane-dns-reload.path"
        systemctl daemon-reload
    fi
    ;;
networkmanager)
    systemctl reload NetworkManager.service ||
        echo "nv-install.sh: NetworkManager did not reload; its dnsmasq starts with its next start" >&2
    ;;
esac
[ "$NV_MODE" = hosts ] || systemctl enable --now nattervane-dns-reload.path || true
# Without the event service the application finds connections by scanning, as before.
systemctl enable --now nattervane-events.service ||
    echo "nv-install.sh: the event service did not start; connections are found by scanning" >&2
# The system journal's namespace for users who turn on writing their journal there.
systemctl enable --now nattervane-journal.service ||
    echo "nv-install.sh: the journal namespace nattervane did not start" >&2
# Apply once now; a failure shows in the status file and the journal, not here.
systemctl start nattervane-helper.service || true

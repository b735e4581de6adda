#!/bin/sh
# Installs the Nattervane blocking helper as a systemd service.
# Usage (as root): nv-install.sh DIR USER
#   DIR   the directory holding block_ips.txt and block_domains.txt
#   USER  the login name that owns them
# NATTERVANE_INSTALL_ROOT, when set, installs below that directory and starts nothing (tests).
set -eu
unset CDPATH

root=${NATTERVANE_INSTALL_ROOT:-}
lib="$root/usr/local/lib/nattervane"
state="$root/var/lib/nattervane"
units="$root/etc/systemd/system"
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

# Copies template $1 to $2, replacing each @KEY@ with the environment variable NV_KEY.
fill() {
    awk '
        function put(line, key, value,   out, at) {
            out = ""
            while ((at = index(line, key)) > 0) {
                out = out substr(line, 1, at - 1) value
                line = substr(line, at + length(key))
            }
            return out line
        }
        {
            line = put($0, "@DIR@", ENVIRON["NV_DIR"])
            line = put(line, "@USER@", ENVIRON["NV_USER"])
            line = put(line, "@BLOCK_IPS@", ENVIRON["NV_BLOCK_IPS"])
            line = put(line, "@BLOCK_DOMAINS@", ENVIRON["NV_BLOCK_DOMAINS"])
            print line
        }' "$1" >"$2.tmp"
    chmod 0644 "$2.tmp"
    mv -f "$2.tmp" "$2"
}

mkdir -p "$lib" "$state" "$units"
chmod 0755 "$lib" "$state"
cp "$binary" "$lib/nattervane-helper.tmp"
chmod 0755 "$lib/nattervane-helper.tmp"
mv -f "$lib/nattervane-helper.tmp" "$lib/nattervane-helper"
cp "$here/nv-uninstall.sh" "$lib/nv-uninstall.sh.tmp"
chmod 0755 "$lib/nv-uninstall.sh.tmp"
mv -f "$lib/nv-uninstall.sh.tmp" "$lib/nv-uninstall.sh"
# The first backup is kept: it is the hosts file from before Nattervane ever touched it.
if [ ! -e "$state/hosts.backup" ] && [ -f "$root/etc/hosts" ]; then
    cp -p "$root/etc/hosts" "$state/hosts.backup"
fi

NV_DIR=$(exec_quote "$dir")
NV_USER=$(exec_quote "$user")
NV_BLOCK_IPS=$(path_quote "$dir/block_ips.txt")
NV_BLOCK_DOMAINS=$(path_quote "$dir/block_domains.txt")
export NV_DIR NV_USER NV_BLOCK_IPS NV_BLOCK_DOMAINS
fill "$here/nattervane-helper.service" "$units/nattervane-helper.service"
# The path unit is the installed marker, so it comes last.
fill "$here/nattervane-helper.path" "$units/nattervane-helper.path"

[ -z "$root" ] || exit 0
if ! { systemctl daemon-reload &&
    systemctl enable nattervane-helper.service &&
    systemctl enable --now nattervane-helper.path; }; then
    "$lib/nv-uninstall.sh"
    die "systemd did not take the units; nothing is left installed"
fi
# Apply once now; a failure shows in the status file and the journal, not here.
systemctl start nattervane-helper.service || true

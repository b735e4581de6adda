#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Nattervane blocking helper as a LaunchDaemon.
# Usage (as root): nv-install.sh DIR USER
#   DIR   the directory holding block_ips.txt and block_domains.txt
#   USER  the login name that owns them
# Addresses go to the pf anchor com.apple/nattervane, which the stock /etc/pf.conf already
# loads; /etc/pf.conf itself is never edited.
set -eu
unset CDPATH

label=app.orvelle.nattervane.helper
support="/Library/Application Support/Nattervane"
plist="/Library/LaunchDaemons/$label.plist"
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
*"$newline"*) die "line breaks are not allowed in the directory or user name" ;;
esac
id -u -- "$user" >/dev/null 2>&1 || die "no such user: $user"

binary=""
# Beside this script (Contents/Resources/helper in the application bundle), in <prefix>/bin when
# installed under <prefix>/share/nattervane/helper, or in
# the build folder of a source tree.
for candidate in "$here/nattervane-helper" "$here/../../../bin/nattervane-helper" \
    "$here/../../build/src/helper/nattervane-helper"; do
    if [ -x "$candidate" ]; then
        binary=$candidate
        break
    fi
done
[ -n "$binary" ] || die "nattervane-helper not found beside $here"

# Text for a plist <string>: & < and > escaped.
xml_quote() {
    printf '%s' "$1" | sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'
}

# Copies the plist template to $1, replacing each @KEY@ with the environment variable NV_KEY.
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
        }' "$here/$label.plist" >"$1.tmp"
    chown root:wheel "$1.tmp"
    chmod 0644 "$1.tmp"
    mv -f "$1.tmp" "$1"
}

mkdir -p "$support"
# The folder holds what launchd runs as root: nobody else may write to it.
chown root:wheel "$support"
chmod 0755 "$support"
cp "$binary" "$support/nattervane-helper.tmp"
chmod 0755 "$support/nattervane-helper.tmp"
mv -f "$support/nattervane-helper.tmp" "$support/nattervane-helper"
cp "$here/nv-uninstall.sh" "$support/nv-uninstall.sh.tmp"
chmod 0755 "$support/nv-uninstall.sh.tmp"
mv -f "$support/nv-uninstall.sh.tmp" "$support/nv-uninstall.sh"
# The first backup is kept: it is the hosts file from before Nattervane ever touched it.
if [ ! -e "$support/hosts.backup" ]; then
    cp -p /etc/hosts "$support/hosts.backup"
fi

NV_DIR=$(xml_quote "$dir")
NV_USER=$(xml_quote "$user")
NV_BLOCK_IPS=$(xml_quote "$dir/block_ips.txt")
NV_BLOCK_DOMAINS=$(xml_quote "$dir/block_domains.txt")
export NV_DIR NV_USER NV_BLOCK_IPS NV_BLOCK_DOMAINS

launchctl bootout "system/$label" >/dev/null 2>&1 || true
fill "$plist"
# Loading runs the helper once (RunAtLoad); it then runs on every change of a block file.
if ! launchctl bootstrap system "$plist"; then
    "$support/nv-uninstall.sh"
    die "launchd did not take the daemon; nothing is left installed"
fi

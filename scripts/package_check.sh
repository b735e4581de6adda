#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from build/, checks it with lintian (errors fail, warnings are
# printed), installs it with apt-get, runs the installed tool, then purges it and checks that
# none of its files are left. Needs root (it installs into the system); otherwise it says so and
# does nothing.
set -eu
cd "$(dirname "$0")/../build"
if [ "$(id -u)" -ne 0 ]; then
    echo "package check skipped: installing the package needs root"
    exit 0
fi
# Removing the package removes the helper and lifts its blocks, whichever install turned them on.
if [ -e /etc/nattervane/helper.conf ] || [ -e /etc/systemd/system/nattervane-helper.path ]; then
    echo "package check skipped: blocking is on here; removing the package would turn it off"
    exit 0
fi
if dpkg-query -W -f='${Status}' nattervane 2>/dev/null | grep -q "ok installed"; then
    echo "package check skipped: a nattervane package is installed already; not touching it"
    exit 0
fi

rm -f nattervane_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; exit 1; }
deb=$(ls nattervane_*.deb)
echo "package: $deb"
echo "depends: $(dpkg-deb -f "$deb" Depends)"

lintian --tag-display-limit 0 "$deb" >lintian.log 2>&1 || true
grep -v "root privileges" lintian.log || true
if grep -q "^E:" lintian.log; then
    echo "lintian reports errors"
    exit 1
fi

files=$(mktemp)
trap 'rm -f "$files"' EXIT
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' | grep -v '/$' >"$files"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends "./$deb" >apt.log 2>&1 || { cat apt.log; exit 1; }
status=0
/usr/bin/nattervane-cli --version || status=1
/usr/bin/nattervane-cli classify 151.101.1.1 | grep -q Fastly || status=1
apt-get purge -y -q nattervane >>apt.log 2>&1 || status=1

left=""
while read -r file; do
    [ ! -e "$file" ] || left="$left $file"
done <"$files"
if [ -n "$left" ]; then
    echo "left behind:$left"
    status=1
fi
if dpkg-query -W nattervane >/dev/null 2>&1; then
    echo "the package is still known to dpkg"
    status=1
fi
[ "$status" -eq 0 ] && echo "package check: built, installed, ran and removed cleanly"
exit "$status"

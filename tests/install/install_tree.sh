#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a staging folder (DESTDIR, prefix /usr), checks the tree against the
# freedesktop and Debian layout, validates the desktop entry and the AppStream metainfo, and runs
# the installed tool so that it finds its tracker list, organisation table and helper scripts in
# share/nattervane.
# Arguments: BUILD VERSION APP, APP being ON when the build has the Qt application.
set -eu
build=$1
programs="bin/nattervane-cli bin/nattervane-helper"
[ "$3" = ON ] && programs="bin/nattervane $programs"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
usr="$stage/usr"

for file in $programs; do
    test -x "$usr/$file" || { echo "missing program $file"; exit 1; }
done
for file in share/nattervane/trackers.txt share/nattervane/orgs.txt \
    lib/systemd/system/nattervane-helper.path lib/systemd/system/nattervane-events.service \
    lib/systemd/system/nattervane-helper.service share/applications/nattervane.desktop \
    share/metainfo/app.orvelle.nattervane.metainfo.xml share/polkit-1/actions/app.orvelle.nattervane.policy \
    share/icons/hicolor/scalable/apps/nattervane.svg share/man/man1/nattervane.1.gz \
    share/man/man1/nattervane-cli.1.gz share/man/man8/nattervane-helper.8.gz \
    share/doc/nattervane/copyright share/doc/nattervane/changelog.gz \
    share/bash-completion/completions/nattervane-cli share/zsh/vendor-completions/_nattervane-cli \
    share/fish/vendor_completions.d/nattervane-cli.fish; do
    test -s "$usr/$file" || { echo "missing $file"; exit 1; }
done
for script in nv-install.sh nv-uninstall.sh; do
    test -x "$usr/share/nattervane/helper/$script" || { echo "$script not executable"; exit 1; }
done
for size in 16 24 32 48 64 128 256; do
    png="$usr/share/icons/hicolor/${size}x$size/apps/nattervane.png"
    file "$png" | grep -q "PNG image data, $size x $size," || { echo "bad icon $png"; exit 1; }
done
# The install script finds the helper in <prefix>/bin from share/nattervane/helper.
test -x "$usr/share/nattervane/helper/../../../bin/nattervane-helper"
grep -qx "Icon=nattervane" "$usr/share/applications/nattervane.desktop"

desktop-file-validate "$usr/share/applications/nattervane.desktop"
# pkexec matches the action by the exact path it runs: the installed install and uninstall scripts.
policy="$usr/share/polkit-1/actions/app.orvelle.nattervane.policy"
grep -q '>/usr/share/nattervane/helper/nv-install.sh<' "$policy" || { echo "policy: install path"; exit 1; }
grep -q '>/usr/share/nattervane/helper/nv-uninstall.sh<' "$policy" || { echo "policy: uninstall path"; exit 1; }
# The units name the installed helper and scripts, and nv-install.sh finds no template beside it.
grep -qx 'ExecStart=/usr/bin/nattervane-helper apply ${NATTERVANE_DIR} --user ${NATTERVANE_USER} --dns ${NATTERVANE_DNS} --listed /usr/share/nattervane/trackers.txt' \
    "$usr/lib/systemd/system/nattervane-helper.service" || { echo "units: helper path"; exit 1; }
! grep -q '@[A-Z]*@' "$usr"/lib/systemd/system/nattervane-* || { echo "units: unfilled field"; exit 1; }
! ls "$usr"/share/nattervane/helper/*.service 2>/dev/null || { echo "unit templates installed"; exit 1; }
if command -v xmllint >/dev/null; then xmllint --noout "$policy"; fi
appstreamcli validate --no-net "$usr/share/metainfo/app.orvelle.nattervane.metainfo.xml" >/dev/null
for page in "$usr"/share/man/man*/*.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done

version=$("$usr/bin/nattervane-cli" --version)
[ "$version" = "nattervane-cli $2" ] || { echo "version: $version"; exit 1; }
# A domain added to the staged list only shows as a tracker when the installed tool reads the
# list from the staged share folder rather than from the source tree.
echo "p staged-only.example" >>"$usr/share/nattervane/trackers.txt"
out=$("$usr/bin/nattervane-cli" classify 203.0.113.9 staged-only.example --json)
echo "$out" | grep -q '"category": "tracker"' || { echo "classify: $out"; exit 1; }
# The installed table is the shipped one, and the installed tool reads it from the staged share
# folder: a row added there names the host's company.
cmp -s "$usr/share/nattervane/orgs.txt" "$(dirname "$0")/../../resources/orgs.txt" ||
    { echo "installed orgs.txt differs from the shipped one"; exit 1; }
printf 'staged-org.example\tservice\tStaged Org\n' >>"$usr/share/nattervane/orgs.txt"
out=$("$usr/bin/nattervane-cli" classify 203.0.113.9 www.staged-org.example --json 2>&1)
echo "$out" | grep -q '"company": "Staged Org"' || { echo "classify with the table: $out"; exit 1; }
echo "$out" | grep -q '"category": "service"' || { echo "classify with the table: $out"; exit 1; }
echo "install tree: complete and valid"

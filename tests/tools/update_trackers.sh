#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs tools/update-trackers on a small package built here, laid out like
# webext-ublock-origin-firefox, and compares the domains it takes with the expected ones.
# Argument: the tool.
set -eu
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

package=webext-ublock-origin-firefox
tree=$work/tree
assets="$tree/usr/share/mozilla/extensions/{ec8030f7-c20a-464f-9b0e-13a3a9e97384}/uBlock0@raymondhill.net/assets"
mkdir -p "$tree/DEBIAN" "$tree/usr/share/doc/$package" "$assets/thirdparties/easylist" \
    "$assets/ublock"
cat >"$tree/DEBIAN/control" <<EOF
Package: $package
Version: 9.8.7+dfsg-1
Architecture: all
Maintainer: Nobody <nobody@example.org>
Description: fixture
EOF
cat <<EOF | gzip -n >"$tree/usr/share/doc/$package/changelog.Debian.gz"
ublock-origin (9.8.7+dfsg-1) unstable; urgency=medium

  * Fixture.

 -- Nobody <nobody@example.org>  Sat, 02 Mar 2024 23:30:00 -0300

ublock-origin (9.8.6+dfsg-1) unstable; urgency=medium

  * Older.

 -- Nobody <nobody@example.org>  Fri, 01 Dec 2023 10:00:00 +0100
EOF

# The EasyPrivacy fixture ends its lines with CR LF.
sed 's/$/\r/' >"$assets/thirdparties/easylist/easyprivacy.txt" <<'EOF'
[Adblock Plus 1.1]
! Title: EasyPrivacy
! ||comment.example^
||plain.example^
||Upper.Example^
||typed.example^$script,third-party,xmlhttprequest
||aliases.example^$xhr,3p,frame,doc,all,important,match-case,strict3p
||popup.example^$popup
||sites.example^$domain=news.example
||tilde-site.example^$script,domain=~news.example
||from.example^$from=news.example
||negated.example^$~script
||negated-party.example^$third-party,~third-party
||first-party.example^$1p
||first-party-long.example^$first-party,script
||redirect.example^$script,redirect=noop.js
||redirect-rule.example^$redirect-rule=noop.js
||csp.example^$csp=script-src 'none'
||removeparam.example^$removeparam=utm_source
||denyallow.example^$3p,denyallow=cdn.example
||empty-option.example^$script,
||path.example/pixel.gif
||caret-path.example^pixel.gif
||wild*.example^
||pipe.example^|
||notrail.example
@@||notrail2.example^
||192.0.2.1^
||nodot^
||.leading.example^
||double..dot.example^
||both.example^
||cancelled.example^$third-party
||kept-over-badfilter.example^
||exempt.example^
||sub.exempt.example^
@@||exempt.example^
||exempt-with-options.example^
@@||exempt-with-options.example^$domain=site.example
||exempt-elsewhere.example^
example.org##.ad
EOF
cat >"$assets/ublock/privacy.min.txt" <<'EOF'
! Title: uBlock filters – Privacy
||ublock-only.example^$3p
||both.example^
||ublock-and-ads.example^
||kept-over-badfilter.example^$script,badfilter
EOF
cat >"$assets/thirdparties/easylist/easylist.txt" <<'EOF'
[Adblock Plus 2.0]
! Title: EasyList
||ads-only.example^$document
||both.example^$third-party
||ublock-and-ads.example^
||cancelled.example^$third-party,badfilter
@@||exempt-elsewhere.example^
EOF
dpkg-deb --root-owner-group -Zgzip --build "$tree" "$work/package.deb" >/dev/null

# Our own SDK hosts: one also on a list, one a list exempts, one new, and lines that are no host.
printf '# comment\nboth.example\tBoth\nsdk.exempt.example\tExempt\nSDK.New.example\tNew\nnodot\tX\n\n' \
    >"$work/sdk.txt"
"$tool" "$work/trackers.txt" "$work/package.deb" "$work/sdk.txt" 2>"$work/log"
grep -q '^update-trackers: wrote .* (8 p, 2 u, 1 a, 2 s)$' "$work/log" ||
    { echo "unexpected log:"; cat "$work/log"; exit 1; }

grep -v '^#' "$work/trackers.txt" >"$work/domains"
cat >"$work/expected" <<'EOF'
a ads-only.example
p aliases.example
p both.example
p exempt-with-options.example
p kept-over-badfilter.example
p plain.example
p popup.example
s sdk.exempt.example
s sdk.new.example
p typed.example
u ublock-and-ads.example
u ublock-only.example
p upper.example
EOF
diff -u "$work/expected" "$work/domains" || { echo "domains differ"; exit 1; }

# The header names every list and the package version with its latest release date (in UTC).
for text in EasyPrivacy EasyList "uBlock filters – Privacy" "CC BY-SA 3.0" \
    "$package 9.8.7+dfsg-1, released 2024-03-03"; do
    grep -q "^# .*$text" "$work/trackers.txt" || { echo "header lacks $text"; exit 1; }
done
echo "update-trackers: fixture list as expected"

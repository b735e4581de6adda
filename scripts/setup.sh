#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the tests and the program need, as the Debian release
# at hand names them (scripts/release.sh). As root it installs what is missing; otherwise it
# prints the one command that would and exits 1.
# Usage: scripts/setup.sh [build|unit|list]
#   (none)  everything, and systemd-resolved's package for the container test (not installed)
#   build   only what configuring and building need (scripts/build.sh)
#   unit    that, and what the unit tests and the installed program need
#   list    prints the name of every package, one a line, and changes nothing
set -eu
mode=${1:-all}

cd "$(dirname "$0")/.."
. scripts/release.sh

# One group a line; add a package to the group that needs it.
# Configuring and building (the tests and benchmarks are built too):
build_packages="cmake ninja-build g++ pkg-config googletest libgtest-dev libgmock-dev
libbenchmark-dev nlohmann-json3-dev qt6-base-dev $clang_packages libbpf-dev bpftool libmnl-dev
libnetfilter-queue-dev"
# Running the unit tests, the install check and the package check (zsh and fish read the
# completions; the journal export test uploads to systemd-journal-remote and reads with jq):
unit_packages="dbus-daemon iproute2 lsof nftables iptables systemd strace clang-format desktop-file-utils
appstream dpkg-dev file lintian man-db python3 zsh fish systemd-journal-remote jq"
# The Debian package's recommendations, so the program runs as installed:
runtime_packages="qt6-wayland dnsmasq-base polkitd pkexec publicsuffix"
# The X11 session test and the container tests:
x11_session_packages="xvfb xauth dbus-x11 tint2 dunst libnotify-bin xdotool x11-utils
x11-xserver-utils imagemagick fonts-dejavu-core lxqt-panel systemd-container at-spi2-core
gir1.2-atspi-2.0 python3-gi"
# The Wayland session test:
wayland_session_packages="sway waybar mako-notifier grim wayvnc"
# The Debian 13 check (a system made with debootstrap, booted with systemd-nspawn):
debian13_packages="debootstrap"
# The reliability checks (a clock set ahead for one program):
reliability_packages="faketime"

packages="$build_packages $unit_packages $runtime_packages $x11_session_packages $wayland_session_packages
$debian13_packages $reliability_packages"
case $mode in
all) ;;
build) packages=$build_packages ;;
unit) packages="$build_packages $unit_packages $runtime_packages" ;;
list)
    # shellcheck disable=SC2086 # one name a line
    printf '%s\n' $packages
    exit 0
    ;;
*)
    echo "usage: $0 [build|unit|list]" >&2
    exit 2
    ;;
esac

# The container test installs systemd-resolved inside its container only, never on this machine,
# where it would take over /etc/resolv.conf: the package for this systemd's version waits here.
resolved_cache=/var/cache/nattervane-tests

# Prints the path of the cached systemd-resolved package matching this systemd, if there is one.
cached_resolved() {
    version=$(dpkg-query -W -f='${Version}' systemd 2>/dev/null) || return 1
    # dpkg writes an epoch's colon as %3a in file names.
    deb=$(find "$resolved_cache" -maxdepth 1 \
        -name "systemd-resolved_$(echo "$version" | sed 's/:/%3a/')_*.deb" 2>/dev/null | head -n 1)
    [ -n "$deb" ] && echo "$deb"
}

fetch_resolved() {
    [ "$mode" = all ] || return 0
    cached_resolved >/dev/null && return 0
    version=$(dpkg-query -W -f='${Version}' systemd 2>/dev/null) || return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "The container test needs systemd-resolved's package in $resolved_cache. As root:" >&2
        echo "  (mkdir -p $resolved_cache && cd $resolved_cache &&" \
            "apt-get download systemd-resolved=$version)" >&2
        return 1
    fi
    mkdir -p "$resolved_cache"
    echo "Fetching systemd-resolved $version into $resolved_cache (not installed here)"
    # Downloaded as root: apt's own user cannot write the cache folder.
    (cd "$resolved_cache" && { apt-get download -q -o APT::Sandbox::User=root \
        "systemd-resolved=$version" || { apt-get update -q &&
        apt-get download -q -o APT::Sandbox::User=root "systemd-resolved=$version"; }; })
}

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
    *"install ok installed"*) ;;
    *) missing="$missing $package" ;;
    esac
done

if [ -z "$missing" ]; then
    fetch_resolved
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages; as root, install them with:" >&2
    echo "apt-get install -y --no-install-recommends$missing" >&2
    exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q || echo "apt-get update failed; trying the package lists at hand" >&2
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
fetch_resolved

#!/bin/sh
# Installs the Debian packages the build, the tests and the program need.
# As root it installs what is missing; otherwise it prints the one command that would.
set -eu

packages="cmake ninja-build g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
nlohmann-json3-dev qt6-base-dev dbus-daemon iproute2 lsof nftables systemd strace clang-format clang-14
libclang-rt-14-dev desktop-file-utils appstream dpkg-dev file lintian man-db
xvfb xauth dbus-x11 tint2 dunst libnotify-bin xdotool x11-utils x11-xserver-utils imagemagick
fonts-dejavu-core lxqt-panel systemd-container polkitd pkexec dnsmasq-base python3"

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
    *"install ok installed"*) ;;
    *) missing="$missing $package" ;;
    esac
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get install -y$missing" >&2
    exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q || echo "apt-get update failed; trying the package lists at hand" >&2
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing

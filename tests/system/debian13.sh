#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the project and runs its unit tests on Debian 13: a minimal system made by debootstrap
# from the Debian package registry into WORK_DIR/root, entered with systemd-nspawn. Inside, every
# package scripts/setup.sh names must exist on that release, and `scripts/setup.sh unit`
# installs what building and the unit tests need; then the build, warnings as errors, and the whole suite but the
# session checks run without a network. The format check is left out: the code is formatted as
# Debian 12's clang-format 14 formats it, and each release's clang-format formats a little
# differently. The system and the build stay in WORK_DIR, so a second
# run only builds what changed.
# Usage (as root): tests/system/debian13.sh SOURCE_DIR WORK_DIR
# Exits 0 after "debian13: skipped: ..." when this machine cannot make the system at all.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 SOURCE_DIR WORK_DIR" >&2
    exit 2
fi
source_dir=$(realpath -- "$1")
mkdir -p -- "$2"
work=$(realpath -- "$2")
root=$work/root
mirror=http://deb.debian.org/debian
started=$SECONDS

say() {
    printf 'debian13: [%4ds] %s\n' "$((SECONDS - started))" "$*"
}

if [ "$(id -u)" -ne 0 ]; then
    echo "debian13: skipped: needs root for debootstrap and systemd-nspawn"
    exit 0
fi
for tool in debootstrap systemd-nspawn; do
    command -v "$tool" >/dev/null || {
        echo "debian13: FAIL: $tool is missing (scripts/setup.sh installs it)"
        exit 1
    }
done

# systemd-nspawn leaves this behind; it goes unless it was there before.
if [ ! -e /run/systemd/nspawn ]; then
    trap 'rm -rf /run/systemd/nspawn' EXIT
fi

# in_container [NSPAWN OPTION...] -- COMMAND...: runs COMMAND as root in the system, with the
# source tree read-only at /src and the build folder at /build.
in_container() {
    local options=()
    while [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    timeout --kill-after=10 3000 systemd-nspawn --quiet --register=no --keep-unit --as-pid2 \
        --directory="$root" --bind-ro="$source_dir:/src" --bind="$work/build:/build" \
        --setenv=LANG=C.UTF-8 --setenv=DEBIAN_FRONTEND=noninteractive "${options[@]}" \
        "$@" </dev/null
}

if [ ! -e "$root/.bootstrapped" ]; then
    say "debootstrap trixie from $mirror"
    rm -rf -- "$root"
    debootstrap --variant=minbase trixie "$root" "$mirror" >"$work/debootstrap.log" 2>&1 || {
        echo "debian13: FAIL: debootstrap failed (see $work/debootstrap.log)"
        exit 1
    }
    touch "$root/.bootstrapped"
fi
mkdir -p "$work/build"
say "Debian $(cat "$root/etc/debian_version") ready"

# With the host's network: only the package registry is reached.
in_container -- sh -c 'apt-get update -q && packages=$(/src/scripts/setup.sh list) &&
    apt-get install --simulate -q $packages >/dev/null && /src/scripts/setup.sh unit' \
    >"$work/setup.log" 2>&1 || {
    tail -n 20 "$work/setup.log"
    echo "debian13: FAIL: a package of scripts/setup.sh is missing or did not install (see $work/setup.log)"
    exit 1
}
say "every package of scripts/setup.sh exists; the build's are installed"

# shellcheck disable=SC2016 # expanded inside
in_container --private-network -- sh -c 'g++ --version | head -n 1 &&
    cmake -S /src -B /build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 -DNATTERVANE_WERROR=ON \
        >/build/configure.log &&
    cmake --build /build >/build/build.log 2>&1 || { tail -n 40 /build/build.log; exit 1; }
    echo "built: $(grep -c "Building CXX" /build/build.log) sources compiled" &&
    cd /build && ctest --output-on-failure --timeout 300 -j 2 -LE "session|reliability" -E "^clang_format\$"' || {
    echo "debian13: FAIL: the build or its tests failed (logs in $work/build)"
    exit 1
}
say "built and tested on Debian $(cat "$root/etc/debian_version")"

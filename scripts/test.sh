#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every test stage in order; any failure stops the run. The normal build and its suite come
# last, so the run ends with CTest's summary line.
#   sanitize  everything but the Qt application, built with the release's clang, unoptimised, under
#             AddressSanitizer and UndefinedBehaviorSanitizer, with the fuzz targets
#             (build-sanitize/), and its tests
#   fuzz      each fuzz target of that build for 20 seconds (tools/fuzz)
#   full      the normal build (scripts/build.sh, build/, warnings as errors), the Debian package built, installed,
#             run and removed (scripts/package_check.sh), and the whole suite but the session
#   reliability  faults and hostile programs tried on the built programs (tests/reliability/: full
#             disks, damaged files, clocks that jump, another user's sockets, hostile names)
#   debian13  the build and the unit tests on Debian 13, in a system made by debootstrap and
#             entered with systemd-nspawn (tests/system/debian13.sh, build/debian13/)
#   session   the built program as a user runs it (tests/session/session.sh: X display, tray,
#             notifications, real connections; tests/session/wayland.sh: the same natively on
#             Wayland, sway, waybar's tray, mako) and the blocking flow under a real systemd in a
#             container, DNS block with its own dnsmasq and with systemd-resolved installed there
#             (tests/session/container.sh); screenshots in build/session, build/wayland,
#             build/container
set -eu
cd "$(dirname "$0")/.."
export LANG=C.UTF-8
export ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1

run_ctest() {
    dir=$1
    shift
    (cd "$dir" && ctest --output-on-failure --timeout 300 -j 2 "$@")
}

# Unoptimised code with line tables compiles several times faster than the release build and
# still gives the sanitizers' reports their lines.
stage_sanitize() {
    . scripts/release.sh
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_CXX_COMPILER="clang++-$clang_version" \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DNATTERVANE_BUILD_APP=OFF \
        -DNATTERVANE_SANITIZE=ON -DNATTERVANE_FUZZ=ON
    cmake --build build-sanitize
    run_ctest build-sanitize
}
stage_fuzz() { tools/fuzz 20 build-sanitize; }
stage_full() {
    scripts/build.sh -DNATTERVANE_WERROR=ON
    scripts/package_check.sh
    run_ctest build -LE 'session|reliability'
}
stage_reliability() { (cd build && ctest --output-on-failure -L reliability); }
stage_debian13() { tests/system/debian13.sh . build/debian13; }
stage_session() { (cd build && ctest --output-on-failure -L session); }

stage() {
    echo "=== stage $1"
    start=$(date +%s)
    "stage_$1"
    echo "=== stage $1 passed in $(($(date +%s) - start)) s"
}

scripts/setup.sh
for name in sanitize fuzz full reliability debian13; do
    stage "$name"
done
# The last stage prints no time of its own, so that CTest's summary ends the run.
echo "=== stage session"
stage_session

#!/bin/sh
# Runs every test stage in order; any failure stops the run. The normal build and its suite come
# last, so the run ends with CTest's summary line.
#   nogui     everything but the Qt application (build-nogui/), warnings as errors, and its tests
#   sanitize  core, helper and command-line tool under AddressSanitizer and
#             UndefinedBehaviorSanitizer (build-sanitize/), and their tests
#   fuzz      each fuzz target for 20 seconds (tools/fuzz, build-fuzz/)
#   full      the normal build (scripts/build.sh, build/), the Debian package built, installed,
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

build_and_test() {
    dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNATTERVANE_BUILD_APP=OFF "$@"
    cmake --build "$dir"
    run_ctest "$dir"
}

stage_nogui() { build_and_test build-nogui -DNATTERVANE_WERROR=ON; }
stage_sanitize() { build_and_test build-sanitize -DNATTERVANE_SANITIZE=ON; }
stage_fuzz() { tools/fuzz 20; }
stage_full() {
    scripts/build.sh
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
for name in nogui sanitize fuzz full reliability debian13; do
    stage "$name"
done
# The last stage prints no time of its own, so that CTest's summary ends the run.
echo "=== stage session"
stage_session

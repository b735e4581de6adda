#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the application with an unknown option, with no display named, and with a display that
# is not there: each start ends with a message and its own status, never an abort; the first
# three before the data folder is made.
set -u
app=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
failures=0

# expect STATUS TEXT ENVIRONMENT... -- ARGUMENTS...
expect() {
    status=$1 text=$2
    shift 2
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM NATTERVANE_HOME="$home/data" \
        "$@" 2>&1)
    got=$?
    if [ "$got" = "$status" ] && printf '%s' "$said" | grep -q -- "$text"; then
        echo "ok: $* ended with $status"
    else
        echo "FAIL: $*: status $got (expected $status), said: $said"
        failures=$((failures + 1))
    fi
}

expect 2 "^nattervane: unknown option: --bogus$" QT_QPA_PLATFORM=offscreen "$app" --open --bogus
expect 2 "^Try 'nattervane --help'.$" "$app" -platform
expect 1 "^nattervane: no display to show" "$app"
if [ -e "$home/data" ]; then
    echo "FAIL: a refused start made the data folder"
    failures=$((failures + 1))
fi
expect 1 "^nattervane: cannot open the display" DISPLAY=:97 QT_QPA_PLATFORM=xcb "$app"
[ "$failures" = 0 ]

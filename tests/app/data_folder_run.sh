#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the application with data folders it cannot use and checks that each start ends with
# status 1 and a message naming the folder and the reason, before anything else happens. As root,
# also a folder on a read-only mount and one the user may not write (run as nobody).
set -u
app=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"
touch "$work/file"
mkdir -m 0555 "$work/locked" "$work/ro"
failures=0

# expect FOLDER REASON [RUNNER...]
expect() {
    local folder=$1 reason=$2 output status
    shift 2
    output=$(NATTERVANE_HOME="$folder" QT_QPA_PLATFORM=offscreen timeout 20 "$@" "$app" 2>&1)
    status=$?
    if [ "$status" = 1 ] && [ "$output" = "nattervane: cannot use the data folder $folder: $reason" ]; then
        echo "ok: $folder: $reason"
    else
        echo "FAIL: $folder: status $status, said: $output"
        failures=$((failures + 1))
    fi
}

expect "$work/file" "Not a directory"
expect "$work/file/data" "Not a directory"
expect /proc/nattervane-test "No such file or directory"
if [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
    # shellcheck disable=SC2016 # expanded by the inner shell
    read_only=(unshare -m sh -c 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" &&
        exec "$@"' "$work/ro")
    expect "$work/ro" "Read-only file system" "${read_only[@]}"
    expect "$work/ro/data" "Read-only file system" "${read_only[@]}"
    expect "$work/locked/data" "Permission denied" setpriv --reuid=nobody --regid=nogroup \
        --clear-groups
else
    echo "skipped: the read-only and permission cases need root"
fi
[ "$failures" = 0 ]

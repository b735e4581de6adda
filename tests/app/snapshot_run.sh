#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the application once in snapshot mode, offscreen, in a private network namespace so that
# nothing it looks up leaves the machine, and checks that it writes its ten files and quits.
set -eu
app=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! unshare -n true 2>/dev/null; then
    echo "skipped: cannot make a private network namespace (needs root)"
    exit 0
fi
NATTERVANE_HOME="$work/home" NATTERVANE_SNAPSHOT="$work/out" NATTERVANE_SNAPSHOT_WAIT=0 \
    NATTERVANE_SNAPSHOT_QUIT=1 QT_QPA_PLATFORM=offscreen timeout 60 unshare -n "$app"
for tab in 0 1 2 3; do
    for appearance in light dark; do
        test -s "$work/out/window-$appearance-tab$tab.png"
    done
done
test -s "$work/out/statusicon.png"
grep -q "^  Quit$" "$work/out/menu.txt"
echo "snapshot: ten files written, quit by itself"

# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the checks that run in namespaces of their own, with $work their temporary folder:
# counted checks, and the end of each daemon's log ($work/*.log) when one failed.
failed=0
passed=0

# check NAME GOT EXPECTED
check() {
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
        echo "ok   $1"
    else
        failed=$((failed + 1))
        printf 'FAIL %s\n  expected: %s\n  got:      %s\n' "$1" "$3" "$2"
    fi
}

# Ends the daemons of $work (each has its pid file there) and of the pid files given.
stop_daemons() {
    for file in "$work"/*.pid "$@"; do
        [ -f "$file" ] && kill "$(cat "$file")" 2>/dev/null
    done
}

# After a failed check, the end of each daemon's log; then $work goes.
finish_work() {
    if [ "$failed" -ne 0 ]; then
        for log in "$work"/*.log; do
            echo "--- $log"
            tail -20 "$log"
        done
    fi
    rm -rf "$work"
}

# The count of checks, and the status: 0 when none failed.
summary() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

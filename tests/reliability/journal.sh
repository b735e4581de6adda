#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The journal and the clock, tried on the built application in a private mount namespace: a week
# of journal survives a start with the clock set a week ahead (faketime; the uptime stays true)
# and is whole when the clock is back, and what killed saves left behind goes at the next start.
set -euo pipefail
script=journal.sh
# shellcheck source=tests/reliability/lib.sh
. "$(dirname -- "$0")/lib.sh"
private_mounts "$@"
command -v faketime >/dev/null || { fail "faketime is missing (scripts/setup.sh installs it)"; finish; }

home=$(fresh_home clock)
journal=$home/journal
mkdir -p "$journal"
for ago in 0 1 2 3 4 5 6; do
    day=$(date -d "-$ago day" +%F)
    printf '[{"day":"%s","app":"App","dest":"example.com","ip":"192.0.2.1","port":443,"category":"cdn","first":"%sT10:00:00Z","last":"%sT11:00:00Z","bytesIn":1,"bytesOut":1,"blocked":false}]' \
        "$day" "$day" "$day" >"$journal/$day.json"
done
days() { find "$journal" -name '????-??-??.json' | wc -l; }
# run_app [COMMAND...]: the application for 4 s, under COMMAND when given.
run_app() {
    NATTERVANE_HOME=$home QT_QPA_PLATFORM=offscreen timeout -s TERM 4 "$@" "$app" >>"$out/app.log" 2>&1 || true
}

run_app
check "the first start keeps the week (7 days)" test "$(days)" = 7
check "the first start reads the clock" test -s "$journal/clock.txt"
FAKETIME_DONT_FAKE_MONOTONIC=1 run_app faketime -f +7d
check "a start a week ahead deletes no day ($(days) of 7 kept)" test "$(days)" = 7
run_app
check "the clock back finds every day" test "$(days)" = 7

touch "$home/rules.json.tmp-a1B2c3" "$journal/$(date +%F).json.tmp-d4E5f6"
touch -d '-2 minutes' "$home/rules.json.tmp-a1B2c3" "$journal/$(date +%F).json.tmp-d4E5f6"
touch "$home/settings.json.tmp-g7H8i9"
run_app
check "temporary files of killed saves are removed at start" \
    test ! -e "$home/rules.json.tmp-a1B2c3" -a ! -e "$journal/$(date +%F).json.tmp-d4E5f6"
check "a temporary file being written is left alone" test -e "$home/settings.json.tmp-g7H8i9"
finish

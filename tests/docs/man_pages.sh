#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Compares each man page with its program's --help: the same commands, and for each command of
# nattervane-cli the same options, so that neither changes without the other.
# Usage: man_pages.sh MAN_DIR CLI HELPER [APP]
set -u
man=$1 cli=$2 helper=$3 app=${4:-}
failures=0

# The long options in a text, one a line, sorted; --help goes, as every page says it once.
options() { grep -o -- '--[a-z][a-z-]*' | grep -vx -- '--help' | sort -u; }
# A man page's source with \- as - and no font changes.
plain() { sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$1"; }

same() {
    if [ "$2" = "$3" ]; then
        echo "ok: $1"
    else
        echo "FAIL: $1: --help has [$(echo $2)], the man page [$(echo $3)]"
        failures=$((failures + 1))
    fi
}

# Short options -h and -V are named on the page when --help names them.
short_options() {
    for option in -h -V; do
        if "$1" --help | grep -q -- "$option|" && ! plain "$2" | grep -q -- "$option"; then
            echo "FAIL: $2 does not name $option"
            failures=$((failures + 1))
        fi
    done
}

page=$man/nattervane-cli.1
commands=$("$cli" --help | sed -n '/^commands:/,$s/^  \([a-z][a-z]*\).*/\1/p' | sort -u)
# The paragraphs of the COMMANDS section whose heading (the line after .TP) starts with the
# command; with no command, the first word of every heading.
paragraphs() {
    plain "$page" | awk -v c="$1" '
        /^\.SH/ { inside = $2 == "COMMANDS"; take = 0; next }
        /^\.TP/ { heading = 1; take = 0; next }
        heading && inside && $1 == ".B" && c == "" { print $2 }
        heading { take = inside && $1 == ".B" && $2 == c; heading = 0 }
        take'
}
same "nattervane-cli commands" "$commands" "$(paragraphs "" | sort -u)"
for command in $commands; do
    described=$(paragraphs "$command" | options)
    same "nattervane-cli $command options" "$("$cli" "$command" --help | options)" "$described"
done
short_options "$cli" "$page"

page=$man/nattervane-helper.8
same "nattervane-helper commands" \
    "$("$helper" --help | sed -n 's/.*nattervane-helper \([a-z][a-z]*\).*/\1/p' | sort -u)" \
    "$(plain "$page" | sed -n 's/^\.B nattervane-helper \([a-z][a-z]*\)$/\1/p' | sort -u)"
same "nattervane-helper options" "$("$helper" --help | options)" "$(plain "$page" | options)"
short_options "$helper" "$page"

if [ -n "$app" ]; then
    page=$man/nattervane.1
    same "nattervane options" "$(env -u DISPLAY "$app" --help | options)" "$(plain "$page" | options)"
    short_options "$app" "$page"
fi
[ "$failures" = 0 ]

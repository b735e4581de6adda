#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion parses and offers every command of `nattervane-cli --help` and, after each
# command, the options of that command's --help; the zsh and fish ones parse, where those shells
# are installed.
# Usage: completion_test.sh CLI BASH_COMPLETION ZSH_COMPLETION FISH_COMPLETION
set -u
cli=$1 bash_completion=$2 zsh_completion=$3 fish_completion=$4
failures=0

check() {
    if [ "$2" = "$3" ]; then
        echo "ok: $1"
    else
        echo "FAIL: $1: offered [$(echo $2)], --help has [$(echo $3)]"
        failures=$((failures + 1))
    fi
}

# What the completion offers for the last of the words.
offered() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    _nattervane_cli
    printf '%s\n' "${COMPREPLY[@]}"
}

bash -n "$bash_completion" || exit 1
# shellcheck source=/dev/null
. "$bash_completion"
commands=$("$cli" --help | sed -n '/^commands:/,$s/^  \([a-z][a-z]*\).*/\1/p' | sort -u)
check commands "$(offered nattervane-cli '' | grep -v '^-' | sort -u)" "$commands"
for command in $commands; do
    # The options after the command, and after the words of `rules set`.
    check "$command options" \
        "$({ offered nattervane-cli "$command" --; offered nattervane-cli "$command" set x allow --; } |
            sort -u)" \
        "$("$cli" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)"
done
check "values of --lang" "$(offered nattervane-cli scan --lang '' | sort)" "$(printf 'en\nru')"
if command -v zsh >/dev/null; then zsh -n "$zsh_completion" || failures=$((failures + 1)); fi
if command -v fish >/dev/null; then fish -n "$fish_completion" || failures=$((failures + 1)); fi
[ "$failures" = 0 ]

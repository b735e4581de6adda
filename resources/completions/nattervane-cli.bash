# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for nattervane-cli: its commands, each command's options and their values.

_nattervane_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local cword=$COMP_CWORD command=${COMP_WORDS[1]-} words
    local commands="scan classify flows watch journal rules autostart export questions help"
    COMPREPLY=()
    if [ "$cword" -eq 1 ]; then
        mapfile -t COMPREPLY < <(compgen -W "$commands -h --help -V --version" -- "$cur")
        return
    fi
    case $prev in
    --lang) words="en ru" ;;
    --wait | --watch | --count | --days | --app) return ;;
    --program)
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    *)
        case $command in
        scan) words="--local --json --lang --wait" ;;
        classify) words="--app --lang --json" ;;
        flows) words="--json --watch --count" ;;
        watch) words="--count --local --json --lang" ;;
        journal) words="--days --json --lang" ;;
        rules)
            case $cword:${COMP_WORDS[2]} in
            2:*) words="set remove --json" ;;
            4:set) words="allow block ask" ;;
            *:set | *:remove) [ "$cword" -gt 3 ] && words="--program" ;;
            *) words="--json" ;;
            esac
            ;;
        autostart) [ "$cword" -eq 2 ] && words="on off status" ;;
        export) words="--lang" && [ "$cword" -eq 2 ] && words="on off status --lang" ;;
        questions) [ "$cword" -eq 2 ] && words="allow block --json" ;;
        help) [ "$cword" -eq 2 ] && words=$commands ;;
        esac
        words="$words --help"
        ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}
complete -F _nattervane_cli nattervane-cli

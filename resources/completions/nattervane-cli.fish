# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion for nattervane-cli: its commands, each command's options and their values.

set -l commands scan classify flows watch journal rules autostart export questions help
set -l first "not __fish_seen_subcommand_from $commands"
complete -c nattervane-cli -f
complete -c nattervane-cli -s h -l help -d 'show the help'
complete -c nattervane-cli -n $first -s V -l version -d 'show the version'
complete -c nattervane-cli -n $first -a scan -d 'who each program talks to now, worst first'
complete -c nattervane-cli -n $first -a classify -d 'who is behind one address'
complete -c nattervane-cli -n $first -a flows -d 'the network flows of the programs now'
complete -c nattervane-cli -n $first -a watch -d 'each connection as it is made'
complete -c nattervane-cli -n $first -a journal -d 'the journal of the last days'
complete -c nattervane-cli -n $first -a rules -d 'show, set or remove the rules'
complete -c nattervane-cli -n $first -a autostart -d 'start the application at login, or not'
complete -c nattervane-cli -n $first -a export -d 'also write the journal to the system journal'
complete -c nattervane-cli -n $first -a questions -d 'the connections held until you answer'
complete -c nattervane-cli -n $first -a help -d 'the summary, or the help of a command'

complete -c nattervane-cli -n '__fish_seen_subcommand_from scan watch' -l local \
    -d 'include the local connections'
complete -c nattervane-cli -n '__fish_seen_subcommand_from scan classify flows watch journal rules questions' \
    -l json -d 'print JSON'
complete -c nattervane-cli -n '__fish_seen_subcommand_from scan classify watch journal export' -l lang -x \
    -a 'en ru' -d 'the language of the words'
complete -c nattervane-cli -n '__fish_seen_subcommand_from scan' -l wait -x \
    -d 'seconds between the two scans'
complete -c nattervane-cli -n '__fish_seen_subcommand_from classify' -l app -x \
    -d 'the program the sentence names'
complete -c nattervane-cli -n '__fish_seen_subcommand_from flows' -l watch -x \
    -d 'draw the table every SECONDS'
complete -c nattervane-cli -n '__fish_seen_subcommand_from flows watch' -l count -x \
    -d 'stop after N'
complete -c nattervane-cli -n '__fish_seen_subcommand_from journal' -l days -x -d 'the days to show'
complete -c nattervane-cli -n '__fish_seen_subcommand_from rules; and not __fish_seen_subcommand_from set remove' \
    -a 'set remove'
complete -c nattervane-cli -n '__fish_seen_subcommand_from set' -a 'allow block ask'
complete -c nattervane-cli -n '__fish_seen_subcommand_from set remove' -l program -r -F \
    -d 'the program the rule is for'
complete -c nattervane-cli -n '__fish_seen_subcommand_from autostart export' -a 'on off status'
complete -c nattervane-cli -n '__fish_seen_subcommand_from questions; and not __fish_seen_subcommand_from allow block' \
    -a 'allow block'
complete -c nattervane-cli -n '__fish_seen_subcommand_from help' -a "$commands"

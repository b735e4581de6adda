#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a finished command gave: its exit status (-1 when it could not be started, was killed or
// crashed) and its standard output and error together.
struct CommandResult {
    int status = -1;
    std::string output;

    bool operator==(const CommandResult&) const = default;
};

// Long enough for a packet filter to load a large rule set.
inline constexpr double commandTimeout = 120.0;

// Runs the program file `argv[0]` with the rest of `argv` as its arguments (no shell), writing
// `input` to its standard input. After `timeout` seconds it is killed.
CommandResult runCommand(const std::vector<std::string>& argv, std::string_view input,
                         double timeout = commandTimeout);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the commands take and do: the summary of all, the help of each, and the short answer to a
// wrong command line.
namespace Usage {

// The command summary.
std::string text();
// The names of the commands, in the summary's order.
std::vector<std::string_view> commands();
// The help of `command`: its usage lines, what it does and each option; absent for no command.
std::optional<std::string> help(std::string_view command);
// Prints `problem`, the usage lines of `command` and where its help is; returns the exit status
// for bad usage (2). An empty or unknown `command` points to the whole summary.
int fail(std::ostream& err, std::string_view command, const std::string& problem);

} // namespace Usage

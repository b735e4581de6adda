// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// The administrator command of macOS, built here so that it is tested on every system: an
// AppleScript for `osascript -e` that runs the words through the shell "with administrator
// privileges", the system asking for the password with a prompt. Whatever a word or the prompt
// holds (quotes, backslashes, `$`, line breaks), it stays one argument of the program.
namespace AdminScript {

// `do shell script "…" with administrator privileges with prompt "…"`: each word in single
// quotes for the shell, the command line and the prompt as AppleScript string literals. Absent
// when a word or the prompt holds a NUL byte, which no argument list can carry.
std::optional<std::string> source(const std::vector<std::string>& words, const std::string& prompt);

} // namespace AdminScript

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "base/tool_runner.h"

// The commands that install and remove the privileged helper: a script and its arguments,
// run as they are (never through a shell) where the system can, and as one shell command where
// the administrator step takes only a command line.
namespace AdminCommand {

// A program and its arguments.
using Words = std::vector<std::string>;

// `text` as one shell word: in single quotes, each single quote inside written as '\''.
std::string quoted(std::string_view text);

// The install script of `helperDir` for the block files in `blockDir` and the user `login`.
Words install(const std::string& helperDir, const std::string& blockDir, const std::string& login);
// The uninstall script at `script`.
Words uninstall(const std::string& script);

// `words` as one shell command line: the script run by /bin/bash, every word quoted.
std::string shellCommand(const Words& words);

// The AppleScript that runs `command` with administrator privileges, the password dialog
// showing `prompt`: the command escaped for an AppleScript string, the prompt as it is.
std::string appleScript(std::string_view command, std::string_view prompt);

// How an administrator step that ran as `ran` went: fine when it exited with 0, or with
// `cancelled`, the status of a password dialog the user closed. Otherwise the last four lines it
// wrote to standard error say why, else its exit status does.
Result<void> outcome(const Result<ToolRunner::Outcome>& ran, std::optional<int> cancelled);

} // namespace AdminCommand

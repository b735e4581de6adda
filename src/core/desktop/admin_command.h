// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "base/tool_runner.h"

// The commands that install and remove the privileged helper, a script and its arguments, and
// how such an administrator step went.
namespace AdminCommand {

// A program and its arguments.
using Words = std::vector<std::string>;

// The install script of `helperDir` for the block files in `blockDir` and the user `login`.
Words install(const std::string& helperDir, const std::string& blockDir, const std::string& login);
// The uninstall script at `script`.
Words uninstall(const std::string& script);

// How an administrator step that ran as `ran` went: fine when it exited with 0, or with
// `cancelled`, the status of a password dialog the user closed. Otherwise the last four lines it
// wrote to standard error say why, else its exit status does.
Result<void> outcome(const Result<ToolRunner::Outcome>& ran, std::optional<int> cancelled);

} // namespace AdminCommand

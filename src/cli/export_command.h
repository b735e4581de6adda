// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `nattervane-cli export on|off|status [--lang en|ru]`: whether this user's journal is also written
// to the system journal.
namespace ExportCommand {

// Exit status 0, 1 when the settings cannot be changed, 2 for bad usage.
int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace ExportCommand

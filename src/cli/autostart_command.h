// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `nattervane-cli autostart on|off|status`: whether the desktop starts the application at login.
namespace AutostartCommand {

// Exit status 0, 1 when the entry cannot be written or removed (or this system has no autostart
// entries), 2 for bad usage.
int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace AutostartCommand

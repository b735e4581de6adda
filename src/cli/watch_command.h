// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `nattervane-cli watch`: each connection as it is made, with its program, its destination and
// who is behind it. Fed by the event service when it runs; otherwise by a scan every second,
// which shows the connections that last until it looks.
namespace WatchCommand {

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace WatchCommand

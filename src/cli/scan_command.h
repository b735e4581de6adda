// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "base/lang.h"
#include "observe/connection.h"

// `nattervane-cli scan`: who this computer's programs talk to, one block per program.
namespace ScanCommand {

// Prints `connections` grouped by program, worst category first.
void print(const std::vector<Connection>& connections, Lang lang, std::ostream& out);

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace ScanCommand

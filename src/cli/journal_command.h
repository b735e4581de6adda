// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `nattervane-cli journal [--days N] [--json]`: the journal of the data root, newest first.
// Reads the day files only; never writes, prunes or sets anything aside.
namespace JournalCommand {

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace JournalCommand

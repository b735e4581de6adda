// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "observe/listers.h"

// `nattervane-cli flows [--json]`: the flows the platform's listers report right now, and which
// lister answered.
namespace FlowsCommand {

// Prints `listing` as a table with the program of each flow, or as a JSON array of flows, each
// with its "program", when `json` is set.
void print(const Listers::Listing& listing, bool json, std::ostream& out, std::ostream& err);

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace FlowsCommand

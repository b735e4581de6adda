#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "observe/listers.h"

// `nattervane-cli flows [--json]`: the flows the platform's listers report right now, and which
// lister answered.
namespace FlowsCommand {

// Prints `listing` as a table, or as a JSON array of flows when `json` is set.
void print(const Listers::Listing& listing, bool json, std::ostream& out, std::ostream& err);

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace FlowsCommand

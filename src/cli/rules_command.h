// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "store/rule_set.h"

// `nattervane-cli rules [--json]`: the rule set of the data root, read without writing anything;
// `rules set` and `rules remove`: one rule changed, through the application running for the data
// root when one runs, otherwise in the rules file under the data folder's lock.
namespace RulesCommand {

// Prints `rules` as a summary and a table, or in the rules file's JSON form when `json` is set.
void print(const RuleSet& rules, bool json, std::ostream& out);

// Exit status 0, 1 when the rules file cannot be read or decoded or the change cannot be made, 2
// for bad usage.
int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace RulesCommand

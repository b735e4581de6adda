#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "store/rule_set.h"

// `nattervane-cli rules [--json]`: the rule set of the data root, read without writing anything.
namespace RulesCommand {

// Prints `rules` as a summary and a table, or in the rules file's JSON form when `json` is set.
void print(const RuleSet& rules, bool json, std::ostream& out);

// Exit status 0, 1 when the rules file cannot be read or decoded, 2 for bad usage.
int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);

} // namespace RulesCommand

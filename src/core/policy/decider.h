// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/dates.h"
#include "observe/connection.h"
#include "policy/decision.h"
#include "store/journal.h"
#include "store/rule_set.h"

// The rules applied to what a scan sees and to what the user blocks in bulk.
namespace Decider {

// The decision for `connection` at `now` under `rules`, with `journal` telling what was already
// seen today; absent for a connection that is not to the internet, which is only listed.
std::optional<Decision> decide(const RuleSet& rules, const Connection& connection,
                               const Journal& journal, Dates::TimePoint now);

// The block rules for every internet destination of `connections` but Apple's, made from `app`.
std::vector<Rule> blockAll(const std::string& app, const std::vector<Connection>& connections,
                           Dates::TimePoint now);

// What block-everything-new leaves alone: the destinations of the journal and of `listed`.
std::set<std::string> baseline(const Journal& journal, const std::vector<Connection>& listed);

} // namespace Decider

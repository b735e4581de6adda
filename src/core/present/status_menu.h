// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/lang.h"
#include "platform.h"
#include "present/app_row.h"
#include "present/menu_entry.h"
#include "store/rule_set.h"

// The status menu, built afresh from the program's state each time it opens.
namespace StatusMenu {

// What the menu shows.
struct State {
    const std::vector<AppRow>& apps;
    const RuleSet& rules;
    bool quiet = false;
    bool paused = false;
    bool helperInstalled = false;
    std::string helperStatus;
    Lang lang = Lang::en;
    platform::Wording wording = platform::current().wording;
    // There are rules for single programs and nothing keeps them in force.
    bool programRulesLapse = false;
    // Questions whose connections the event service holds until they are answered.
    size_t questionsWaiting = 0;
};

// At most this many programs are listed, and this many destinations of each.
inline constexpr size_t maxPrograms = 25;
inline constexpr size_t mostDestinations = 25;

std::vector<MenuEntry> build(const State& state);

// The action of the rule a rule item of `scope` for `connection` stands for: for its destination
// everywhere as it matches (a parent domain's too), or the rule kept for its program.
std::optional<RuleAction> currentAction(const RuleSet& rules, const Connection& connection,
                                        RuleScope scope);

// The rule after clicking a rule item: clicking the current action clears it.
std::optional<RuleAction> afterClick(std::optional<RuleAction> current, RuleAction clicked);

} // namespace StatusMenu

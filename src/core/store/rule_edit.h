// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "store/rule_set.h"

// One change of the rule set asked for from outside the application (the command-line tool):
// set the rule kept at a place, or remove it.
struct RuleEdit {
    RulePlace place;
    // Absent: remove the rule.
    std::optional<RuleAction> action;

    bool operator==(const RuleEdit&) const = default;

    // The edit as one line for the application's socket, with its line break, and back; absent
    // for a line that is no edit.
    std::string line() const;
    static std::optional<RuleEdit> read(std::string_view line);

    // Why the edit cannot be made: a target that is no domain, address or (for a program) "*", a
    // loopback or unspecified address, a domain beginning with "-", or a program that cannot be
    // named by a rule. The target becomes canonical (`Net::canonical`). The program's path becomes
    // the file's own, without links, as the kernel names a running program.
    Result<void> check();
    // Makes the edit in `rules`, as made by the command-line tool at `now`; fails, changing
    // nothing, when it removes a rule that is not there.
    Result<void> applyTo(RuleSet& rules, std::chrono::sys_seconds now) const;
};

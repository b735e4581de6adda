// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "store/rule.h"

// What is done about one connection a scan saw.
struct Decision {
    // A notification to post, once per key.
    struct Notice {
        enum class Kind { blockedNew, tracker };
        Kind kind = Kind::tracker;
        // Two notices with the same key are one: the second is not posted.
        std::string key;

        bool operator==(const Notice&) const = default;
    };

    // The user's rule for the connection, including one added below; absent for none.
    std::optional<RuleAction> action;
    // The rule in force, when the user made one (not one added below).
    std::optional<Rule> rule{};
    // A rule to add: block-everything-new took a destination it had not seen.
    std::optional<Rule> newRule;
    std::optional<Notice> notice;
    // The rule says to ask the user about the destination.
    bool ask = false;

    bool operator==(const Decision&) const = default;
};

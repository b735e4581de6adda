#pragma once

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "store/rule.h"

// The domains of the tracker lists, as `TrackerList::domains()` holds them.
using ListedDomains = std::unordered_map<std::string, char>;

// The user's rules with the switches of block-everything-new and tracker-list blocking.
struct RuleSet {
    // In the order they were set; `set` keeps at most one rule per target.
    std::vector<Rule> rules;
    bool blockNew = false;
    // Destinations already known when block-everything-new was switched on.
    std::set<std::string> baseline;
    bool blockAllListed = false;

    bool operator==(const RuleSet&) const = default;

    // The action for a destination: the rule for the lowercased name itself, else the nearest
    // parent domain of at least two labels with a name rule. Address rules match exactly only.
    std::optional<RuleAction> action(std::string_view dest) const;

    // Replaces the rule for `target` (lowercased) with a new one at the end of the list, or only
    // removes it when `action` is absent.
    void set(std::string_view target, std::optional<std::string> app,
             std::optional<RuleAction> action, const std::optional<std::vector<std::string>>& ips,
             std::chrono::sys_seconds now);
    // Removes the rule for `target` (lowercased), if any.
    void remove(std::string_view target);

    // The text of the address block file: blocked addresses, without allowed ones, valid and
    // distinct, sorted, one per line.
    std::string exportIPs() const;
    // The text of the domain block file: blocked valid domains, plus every valid listed domain
    // when `blockAllListed` is on and `listed` is given, without allowed targets, distinct,
    // sorted, one per line.
    std::string exportDomains(const ListedDomains* listed) const;
};

// All four keys are required when decoding.
void to_json(nlohmann::json& json, const RuleSet& rules);
void from_json(const nlohmann::json& json, RuleSet& rules);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "observe/connection.h"
#include "store/rule.h"

// Whom a rule is for and what it covers: a destination for every program, a destination for one
// program, or everything one program reaches.
enum class RuleScope { everywhere, program, wholeProgram };

// Where a rule is kept: its target and the program it is for (absent: every program).
struct RulePlace {
    std::string target;
    std::optional<std::string> program;

    bool operator==(const RulePlace&) const = default;

    // The place of a rule about `connection` in `scope`; absent when the scope is one program's
    // and the connection's program is not known by its executable.
    static std::optional<RulePlace> of(const Connection& connection, RuleScope scope);
};

// The domains of the tracker lists, as `TrackerList::domains()` holds them.
using ListedDomains = std::unordered_map<std::string, char>;

// The user's rules with the switches of block-everything-new and tracker-list blocking.
struct RuleSet {
    // The version of the rules file this program writes. Files without one were written before
    // rules could be for one program; their rules are all for every program.
    static constexpr int version = 2;
    // The most rules a set holds: a rules file with more is refused, and no rule is added beyond.
    static constexpr size_t maxRules = 10000;

    // In the order they were set; `set` keeps at most one rule per target and program.
    std::vector<Rule> rules;
    bool blockNew = false;
    // Destinations already known when block-everything-new was switched on.
    std::set<std::string> baseline;
    bool blockAllListed = false;

    bool operator==(const RuleSet&) const = default;

    // The action of the rules for every program for a destination: the rule for the lowercased
    // name itself, else the nearest parent domain of at least two labels with a name rule.
    // Address rules match exactly only.
    std::optional<RuleAction> action(std::string_view dest) const;
    // The rule in force when `program` (its executable; absent when not known) reaches `dest`
    // (the host name, else the address) at address `ip`, most particular first: the program's
    // rule for the destination, then its rule for everything, then the rule for every program.
    // A block for every program is never lifted for one: the firewall and DNS enforce it for all.
    const Rule* ruleFor(std::string_view dest, std::string_view ip,
                        const std::optional<std::string>& program) const;

    // The action of the rule kept at `place` exactly, if any.
    std::optional<RuleAction> actionAt(const RulePlace& place) const;
    // Whether a rule can be set at `place`: one is kept there already, or there is room for one.
    bool roomFor(const RulePlace& place) const;

    // Replaces the rule for `target` (in canonical form) and `program` with a new one at the end of
    // the list, or only removes it when `action` is absent.
    void set(std::string_view target, std::optional<std::string> app,
             std::optional<RuleAction> action, const std::optional<std::vector<std::string>>& ips,
             std::chrono::sys_seconds now, const std::optional<std::string>& program = {});
    // Removes the rule for `target` (in canonical form) and `program`, if any; whether there was
    // one.
    bool remove(std::string_view target, const std::optional<std::string>& program = {});

    // The text of the address block file: the addresses every program is blocked from, without
    // allowed ones, valid and distinct, sorted, one per line.
    std::string exportIPs() const;
    // The text of the domain block file: the valid domains every program is blocked from, plus
    // every valid listed domain when `blockAllListed` is on and `listed` is given, without allowed
    // targets, distinct, sorted, one per line.
    std::string exportDomains(const ListedDomains* listed) const;
    // The text of the program block file: a line "ACTION<TAB>PROGRAM<TAB>TARGET" for each rule of
    // one program (TARGET "*", a domain or an address; the addresses a blocked name was seen at
    // get lines of their own), and "ask<TAB>*<TAB>TARGET" for each destination to ask about
    // whatever the program, sorted.
    std::string exportPrograms() const;
};

// All four keys are required when decoding, and "version" is at most RuleSet::version when
// given.
void to_json(nlohmann::json& json, const RuleSet& rules);
void from_json(const nlohmann::json& json, RuleSet& rules);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "base/result.h"

// What the user wants done with a destination.
enum class RuleAction { allow, block, ask };

namespace RuleActions {

inline constexpr std::array<RuleAction, 3> allCases{RuleAction::allow, RuleAction::block,
                                                    RuleAction::ask};

std::string name(RuleAction action);
// Exact, case-sensitive match of a case name.
std::optional<RuleAction> from(std::string_view text);

} // namespace RuleActions

void to_json(nlohmann::json& json, RuleAction action);
void from_json(const nlohmann::json& json, RuleAction& action);

// The user's decision about one destination (a host name or domain, or an address), for every
// program or for one; or about everything one program reaches (the target "*").
struct Rule {
    std::string target;
    // The program the rule was made from; informative only, matching ignores it.
    std::optional<std::string> app;
    RuleAction action = RuleAction::ask;
    std::chrono::sys_seconds created{};
    // Addresses blocked together with a host-name target.
    std::optional<std::vector<std::string>> ips;
    // The executable of the one program the rule is for; absent: every program.
    std::optional<std::string> program{};

    bool operator==(const Rule&) const = default;

    // The target of a rule about everything a program reaches.
    static constexpr std::string_view everything = "*";

    // A new rule: the target and `ips` in canonical form (`Net::canonical`), `ips` keeping only its
    // valid addresses, in order.
    static Rule make(std::string_view target, std::optional<std::string> app, RuleAction action,
                     std::chrono::sys_seconds created,
                     const std::optional<std::vector<std::string>>& ips,
                     std::optional<std::string> program = std::nullopt);

    bool isIP() const;
    bool isProgramWide() const { return program && target == everything; }

    // Why `path` cannot be the program of a rule: a control character (the block file is one
    // program a line), not an absolute path, nothing there, a folder, or not executable; nothing
    // when it can.
    static Result<void> checkProgram(const std::string& path);
};

// Decoding takes the values as they stand (no lowercasing, no filtering) but for an address target,
// which is read in canonical form; "target", "action" and
// "created" are required, "app", "ips" and "program" optional. Dates are ISO 8601 text in UTC.
void to_json(nlohmann::json& json, const Rule& rule);
void from_json(const nlohmann::json& json, Rule& rule);

// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/rule_edit.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "base/json_optional.h"
#include "base/json_text.h"
#include "base/net.h"

namespace {

constexpr std::string_view prefix = "rule ";

// Why `target` (canonical) cannot be a rule's target, if it cannot.
std::optional<std::string> targetProblem(const std::string& target, bool forProgram) {
    const std::string quoted = "\"" + target + "\"";
    if (target == Rule::everything && forProgram) return std::nullopt;
    if (Net::isLoopbackOrUnspecified(target))
        return quoted + " is a loopback or unspecified address, which never leaves this machine";
    if (Net::isValidIP(target)) return std::nullopt;
    if (!Net::isValidDomain(target))
        return quoted + " is no domain or address" +
               (forProgram ? ", nor * (everything the program reaches)" : "");
    if (target.starts_with('-')) return quoted + " begins with \"-\", which no domain does";
    return std::nullopt;
}

} // namespace

std::string RuleEdit::line() const {
    nlohmann::json json = {{"target", place.target}};
    JsonOptional::put(json, "program", place.program);
    JsonOptional::put(json, "action", action);
    return std::string(prefix) + JsonText::dump(json) + "\n";
}

std::optional<RuleEdit> RuleEdit::read(std::string_view line) {
    if (!line.starts_with(prefix)) return std::nullopt;
    try {
        nlohmann::json json = nlohmann::json::parse(line.substr(prefix.size()));
        return RuleEdit{
            {json.at("target").get<std::string>(), JsonOptional::get<std::string>(json, "program")},
            JsonOptional::get<RuleAction>(json, "action")};
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

Result<void> RuleEdit::check() {
    place.target = Net::canonical(place.target);
    if (auto problem = targetProblem(place.target, place.program.has_value()))
        return Error{EINVAL, *problem};
    if (!place.program) return {};
    if (Result<void> usable = Rule::checkProgram(*place.program); !usable) return usable;
    char real[PATH_MAX];
    if (!realpath(place.program->c_str(), real)) return Error::fromErrno(*place.program);
    place.program = real;
    return {};
}

Result<void> RuleEdit::applyTo(RuleSet& rules, std::chrono::sys_seconds now) const {
    if (!action) {
        if (rules.remove(place.target, place.program)) return {};
        return Error{ENOENT, "there is no rule for " + place.target +
                                 (place.program ? " and " + *place.program : "")};
    }
    if (!rules.roomFor(place))
        return Error{ENOSPC, "there are already " + std::to_string(RuleSet::maxRules) +
                                 " rules, the most kept; remove some first"};
    rules.set(place.target, std::string("nattervane-cli"), action, std::nullopt, now,
              place.program);
    return {};
}

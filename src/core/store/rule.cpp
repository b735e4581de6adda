// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/rule.h"

#include <cerrno>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "base/dates.h"
#include "base/enum_text.h"
#include "base/json_optional.h"
#include "base/net.h"
#include "base/text.h"

namespace {

constexpr std::array<std::string_view, 3> names{"allow", "block", "ask"};

} // namespace

namespace RuleActions {

std::string name(RuleAction action) {
    return EnumText::name(names, action);
}

std::optional<RuleAction> from(std::string_view text) {
    return EnumText::parse<RuleAction>(names, text);
}

} // namespace RuleActions

void to_json(nlohmann::json& json, RuleAction action) {
    json = RuleActions::name(action);
}

void from_json(const nlohmann::json& json, RuleAction& action) {
    action = EnumText::decode<RuleAction>(names, json, "rule action");
}

Rule Rule::make(std::string_view target, std::optional<std::string> app, RuleAction action,
                std::chrono::sys_seconds created,
                const std::optional<std::vector<std::string>>& ips,
                std::optional<std::string> program) {
    Rule rule{Net::canonical(target), std::move(app),    action, created,
              std::nullopt,           std::move(program)};
    if (ips) {
        rule.ips.emplace();
        for (const std::string& ip : *ips)
            if (Net::isValidIP(ip)) rule.ips->push_back(Net::canonical(ip));
    }
    return rule;
}

bool Rule::isIP() const {
    return Net::isValidIP(target);
}

Result<void> Rule::checkProgram(const std::string& path) {
    if (Text::hasControl(path))
        return Error{EINVAL, path + ": a program path with a control character cannot be enforced"};
    if (!path.starts_with('/'))
        return Error{EINVAL, path + ": a program is named by the full path of its executable"};
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return Error::fromErrno(path);
    if (S_ISDIR(status.st_mode)) return Error{EISDIR, path + ": a folder, not a program"};
    if (!S_ISREG(status.st_mode) || !(status.st_mode & 0111))
        return Error{EACCES, path + ": not a program that can be run"};
    return {};
}

void to_json(nlohmann::json& json, const Rule& rule) {
    json = {{"target", rule.target},
            {"action", rule.action},
            {"created", Dates::iso8601(rule.created)}};
    JsonOptional::put(json, "app", rule.app);
    JsonOptional::put(json, "ips", rule.ips);
    JsonOptional::put(json, "program", rule.program);
}

void from_json(const nlohmann::json& json, Rule& rule) {
    const nlohmann::json& created = json.at("created");
    auto time = Dates::parseIso8601(created.get<std::string>());
    if (!time) throw nlohmann::json::other_error::create(501, "not an ISO 8601 date", &created);
    rule = {json.at("target").get<std::string>(),
            JsonOptional::get<std::string>(json, "app"),
            json.at("action").get<RuleAction>(),
            std::chrono::floor<std::chrono::seconds>(*time),
            JsonOptional::get<std::vector<std::string>>(json, "ips"),
            JsonOptional::get<std::string>(json, "program")};
    // Address rules written before targets were kept in one form still match.
    if (rule.isIP()) rule.target = Net::canonical(rule.target);
}

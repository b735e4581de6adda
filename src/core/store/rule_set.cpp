// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/rule_set.h"

#include <algorithm>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "base/net.h"

namespace {

// A text with the first eight bytes of its content, big-endian, as a number: comparing the numbers
// orders most pairs as their texts do without touching the texts' memory.
struct Keyed {
    uint64_t prefix;
    std::string_view text;

    explicit Keyed(std::string_view text) : prefix(0), text(text) {
        for (size_t i = 0; i < 8; ++i)
            prefix = prefix << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
    }
    bool operator<(const Keyed& other) const {
        return prefix != other.prefix ? prefix < other.prefix : text < other.text;
    }
};

// The entries without any of `excluded`, sorted by byte order, without duplicates, one per line
// with a final line feed.
std::string joinLines(const std::vector<std::string_view>& entries,
                      std::vector<std::string_view> excluded) {
    std::vector<Keyed> sorted(entries.begin(), entries.end());
    std::sort(sorted.begin(), sorted.end());
    std::sort(excluded.begin(), excluded.end());
    size_t size = 0;
    for (std::string_view entry : entries)
        size += entry.size() + 1;
    std::string text;
    text.reserve(size);
    auto skip = excluded.begin();
    for (size_t i = 0; i < sorted.size(); ++i) {
        std::string_view entry = sorted[i].text;
        if (i > 0 && entry == sorted[i - 1].text) continue;
        while (skip != excluded.end() && *skip < entry)
            ++skip;
        if (skip != excluded.end() && *skip == entry) continue;
        text += entry;
        text += '\n';
    }
    return text;
}

// The first rule of `program` (absent: every program's) for `target`; address rules are skipped
// when `namesOnly`.
const Rule* firstRule(const std::vector<Rule>& rules, std::string_view target,
                      const std::optional<std::string>& program, bool namesOnly) {
    for (const Rule& rule : rules)
        if (rule.target == target && rule.program == program && !(namesOnly && rule.isIP()))
            return &rule;
    return nullptr;
}

// The rule of `program` for the destination: for the name or address itself in canonical form,
// else for the nearest parent domain of at least two labels with a name rule.
const Rule* ruleForDest(const std::vector<Rule>& rules, std::string_view dest,
                        const std::optional<std::string>& program) {
    std::string name = Net::canonical(dest);
    if (const Rule* rule = firstRule(rules, name, program, false)) return rule;
    std::string_view t = name;
    for (size_t dot = t.find('.'); dot != std::string_view::npos; dot = t.find('.')) {
        std::string_view rest = t.substr(dot + 1);
        // A bare top-level label is never tried.
        if (rest.find('.') == std::string_view::npos) break;
        t = rest;
        if (const Rule* rule = firstRule(rules, t, program, true)) return rule;
    }
    return nullptr;
}

// The rule of `program` for the destination, else for its address.
const Rule* ruleForEither(const std::vector<Rule>& rules, std::string_view dest,
                          std::string_view ip, const std::optional<std::string>& program) {
    const Rule* rule = ruleForDest(rules, dest, program);
    return rule ? rule : ruleForDest(rules, ip, program);
}

} // namespace

std::optional<RulePlace> RulePlace::of(const Connection& connection, RuleScope scope) {
    if (scope == RuleScope::everywhere) return RulePlace{connection.dest(), std::nullopt};
    if (!connection.app.exePath) return std::nullopt;
    return RulePlace{scope == RuleScope::program ? connection.dest()
                                                 : std::string(Rule::everything),
                     connection.app.exePath};
}

std::optional<RuleAction> RuleSet::actionAt(const RulePlace& place) const {
    const Rule* rule = firstRule(rules, Net::canonical(place.target), place.program, false);
    return rule ? std::optional(rule->action) : std::nullopt;
}

bool RuleSet::roomFor(const RulePlace& place) const {
    return rules.size() < maxRules || actionAt(place);
}

std::optional<RuleAction> RuleSet::action(std::string_view dest) const {
    const Rule* rule = ruleForDest(rules, dest, std::nullopt);
    return rule ? std::optional(rule->action) : std::nullopt;
}

const Rule* RuleSet::ruleFor(std::string_view dest, std::string_view ip,
                             const std::optional<std::string>& program) const {
    const Rule* everywhere = ruleForEither(rules, dest, ip, std::nullopt);
    if (!program) return everywhere;
    const Rule* own = ruleForEither(rules, dest, ip, program);
    if (!own) own = firstRule(rules, Rule::everything, program, false);
    if (!own || (everywhere && everywhere->action == RuleAction::block)) return everywhere;
    return own;
}

void RuleSet::set(std::string_view target, std::optional<std::string> app,
                  std::optional<RuleAction> action,
                  const std::optional<std::vector<std::string>>& ips, std::chrono::sys_seconds now,
                  const std::optional<std::string>& program) {
    remove(target, program);
    if (action) rules.push_back(Rule::make(target, std::move(app), *action, now, ips, program));
}

bool RuleSet::remove(std::string_view target, const std::optional<std::string>& program) {
    const std::string canonical = Net::canonical(target);
    return std::erase_if(rules, [&](const Rule& rule) {
               return rule.target == canonical && rule.program == program;
           }) > 0;
}

std::string RuleSet::exportIPs() const {
    std::vector<std::string_view> entries, allowed;
    for (const Rule& rule : rules) {
        if (rule.program) continue;
        if (rule.action == RuleAction::block && rule.isIP()) entries.push_back(rule.target);
        if (rule.action == RuleAction::block && !rule.isIP() && rule.ips)
            for (const std::string& ip : *rule.ips)
                if (Net::isValidIP(ip)) entries.push_back(ip);
        if (rule.action == RuleAction::allow && rule.isIP()) allowed.push_back(rule.target);
    }
    return joinLines(entries, std::move(allowed));
}

std::string RuleSet::exportDomains(const ListedDomains* listed) const {
    std::vector<std::string_view> entries, allowed;
    for (const Rule& rule : rules)
        if (!rule.program && rule.action == RuleAction::block && !rule.isIP() &&
            Net::isValidDomain(rule.target))
            entries.push_back(rule.target);
    if (blockAllListed && listed) {
        entries.reserve(entries.size() + listed->size());
        for (const auto& [domain, source] : *listed)
            if (Net::isValidDomain(domain)) entries.push_back(domain);
    }
    for (const Rule& rule : rules)
        if (!rule.program && rule.action == RuleAction::allow) allowed.push_back(rule.target);
    return joinLines(entries, std::move(allowed));
}

std::string RuleSet::exportPrograms() const {
    std::vector<std::string> lines;
    for (const Rule& rule : rules) {
        // Every program's allows and blocks are the firewall's and DNS's; its asks are the hooks'.
        if (!rule.program && (rule.action != RuleAction::ask || rule.target == Rule::everything))
            continue;
        std::string head = RuleActions::name(rule.action) + "\t" +
                           rule.program.value_or(std::string(Rule::everything)) + "\t";
        lines.push_back(head + rule.target);
        if (rule.action == RuleAction::block && rule.ips && !rule.isIP())
            for (const std::string& ip : *rule.ips)
                if (Net::isValidIP(ip)) lines.push_back(head + ip);
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\n");
    return text;
}

void to_json(nlohmann::json& json, const RuleSet& rules) {
    json = {{"version", RuleSet::version},
            {"rules", rules.rules},
            {"blockNew", rules.blockNew},
            {"baseline", rules.baseline},
            {"blockAllListed", rules.blockAllListed}};
}

void from_json(const nlohmann::json& json, RuleSet& rules) {
    if (auto version = json.find("version");
        version != json.end() && version->get<int>() > RuleSet::version)
        throw nlohmann::json::other_error::create(501, "written by a newer version of the program",
                                                  &*version);
    if (json.at("rules").size() > RuleSet::maxRules)
        throw nlohmann::json::other_error::create(
            502, "more than " + std::to_string(RuleSet::maxRules) + " rules", &json);
    rules = {json.at("rules").get<std::vector<Rule>>(), json.at("blockNew").get<bool>(),
             json.at("baseline").get<std::set<std::string>>(),
             json.at("blockAllListed").get<bool>()};
}

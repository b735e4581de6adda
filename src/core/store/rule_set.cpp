#include "store/rule_set.h"

#include <algorithm>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "base/net.h"
#include "base/text.h"

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

// The action of the first rule for `target`; address rules are skipped when `namesOnly`.
std::optional<RuleAction> firstAction(const std::vector<Rule>& rules, std::string_view target,
                                      bool namesOnly) {
    for (const Rule& rule : rules)
        if (rule.target == target && !(namesOnly && rule.isIP())) return rule.action;
    return std::nullopt;
}

} // namespace

std::optional<RuleAction> RuleSet::action(std::string_view dest) const {
    std::string name = Text::toLower(dest);
    if (auto action = firstAction(rules, name, false)) return action;
    std::string_view t = name;
    for (size_t dot = t.find('.'); dot != std::string_view::npos; dot = t.find('.')) {
        std::string_view rest = t.substr(dot + 1);
        // A bare top-level label is never tried.
        if (rest.find('.') == std::string_view::npos) break;
        t = rest;
        if (auto action = firstAction(rules, t, true)) return action;
    }
    return std::nullopt;
}

void RuleSet::set(std::string_view target, std::optional<std::string> app,
                  std::optional<RuleAction> action,
                  const std::optional<std::vector<std::string>>& ips,
                  std::chrono::sys_seconds now) {
    remove(target);
    if (action)
        rules.push_back(Rule::make(Text::toLower(target), std::move(app), *action, now, ips));
}

void RuleSet::remove(std::string_view target) {
    const std::string lowered = Text::toLower(target);
    std::erase_if(rules, [&](const Rule& rule) { return rule.target == lowered; });
}

std::string RuleSet::exportIPs() const {
    std::vector<std::string_view> entries, allowed;
    for (const Rule& rule : rules)
        if (rule.action == RuleAction::block && rule.isIP()) entries.push_back(rule.target);
    for (const Rule& rule : rules)
        if (rule.action == RuleAction::block && !rule.isIP() && rule.ips)
            for (const std::string& ip : *rule.ips)
                if (Net::isValidIP(ip)) entries.push_back(ip);
    for (const Rule& rule : rules)
        if (rule.action == RuleAction::allow && rule.isIP()) allowed.push_back(rule.target);
    return joinLines(entries, std::move(allowed));
}

std::string RuleSet::exportDomains(const ListedDomains* listed) const {
    std::vector<std::string_view> entries, allowed;
    for (const Rule& rule : rules)
        if (rule.action == RuleAction::block && !rule.isIP() && Net::isValidDomain(rule.target))
            entries.push_back(rule.target);
    if (blockAllListed && listed) {
        entries.reserve(entries.size() + listed->size());
        for (const auto& [domain, source] : *listed)
            if (Net::isValidDomain(domain)) entries.push_back(domain);
    }
    for (const Rule& rule : rules)
        if (rule.action == RuleAction::allow) allowed.push_back(rule.target);
    return joinLines(entries, std::move(allowed));
}

void to_json(nlohmann::json& json, const RuleSet& rules) {
    json = {{"rules", rules.rules},
            {"blockNew", rules.blockNew},
            {"baseline", rules.baseline},
            {"blockAllListed", rules.blockAllListed}};
}

void from_json(const nlohmann::json& json, RuleSet& rules) {
    rules = {json.at("rules").get<std::vector<Rule>>(), json.at("blockNew").get<bool>(),
             json.at("baseline").get<std::set<std::string>>(),
             json.at("blockAllListed").get<bool>()};
}

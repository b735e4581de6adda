// SPDX-License-Identifier: GPL-3.0-or-later
#include "policy/decider.h"

#include "base/net.h"
#include "classify/ip_orgs.h"

namespace Decider {

namespace {

bool isInternet(const Connection& connection) {
    return Net::kind(connection.ip) == AddressKind::internet;
}

// A block rule for the destination of `connection`. It carries the address of a host name only
// when the address table cannot name it, since a known provider's address is shared by many
// sites.
Rule blockRule(const std::string& app, const Connection& connection, Dates::TimePoint now) {
    std::optional<std::vector<std::string>> ips;
    if (connection.host && !IPOrgs::lookup(connection.ip)) ips = {{connection.ip}};
    return Rule::make(connection.dest(), app, RuleAction::block,
                      std::chrono::floor<std::chrono::seconds>(now), ips);
}

// Block-everything-new leaves alone what was known when it was switched on, Apple's services
// and the system's own programs.
bool blocksAsNew(const RuleSet& rules, const Connection& connection) {
    return rules.blockNew && !rules.baseline.contains(connection.dest()) &&
           connection.verdict.category != Category::apple && !connection.app.isSystem;
}

// A program seen talking to an advertising, tracking or social network for the first time
// today, with no rule about it, is worth a word: once per program and company. What a closed
// connection left behind, whose program was never seen, says nothing of a program sending.
std::optional<Decision::Notice> trackerNotice(const Connection& connection, const Journal& journal,
                                              Dates::TimePoint now) {
    const Category category = connection.verdict.category;
    if (category != Category::ads && category != Category::tracker && category != Category::social)
        return std::nullopt;
    if (connection.app.kind == AppIdentity::Kind::unseen) return std::nullopt;
    if (journal.recorded(connection.app.name, connection.dest(), now)) return std::nullopt;
    const std::string& party = connection.verdict.company.value_or(connection.dest());
    return Decision::Notice{Decision::Notice::Kind::tracker,
                            "trk|" + connection.app.name + "|" + party};
}

} // namespace

std::optional<Decision> decide(const RuleSet& rules, const Connection& connection,
                               const Journal& journal, Dates::TimePoint now) {
    if (!isInternet(connection)) return std::nullopt;
    // Rules govern what a program reaches: a connection made to it is journaled, never blocked,
    // asked about or told.
    if (connection.incoming) return Decision{};
    if (const Rule* rule = rules.ruleFor(connection.dest(), connection.ip, connection.app.exePath))
        return Decision{.action = rule->action,
                        .rule = *rule,
                        .newRule = std::nullopt,
                        .notice = std::nullopt,
                        .ask = rule->action == RuleAction::ask};
    if (blocksAsNew(rules, connection))
        return Decision{.action = RuleAction::block,
                        .newRule = blockRule(connection.app.name, connection, now),
                        .notice = Decision::Notice{Decision::Notice::Kind::blockedNew,
                                                   "new|" + connection.dest()},
                        .ask = false};
    return Decision{.action = std::nullopt,
                    .newRule = std::nullopt,
                    .notice = trackerNotice(connection, journal, now),
                    .ask = false};
}

std::vector<Rule> blockAll(const std::string& app, const std::vector<Connection>& connections,
                           Dates::TimePoint now) {
    std::vector<Rule> rules;
    for (const Connection& connection : connections)
        if (isInternet(connection) && !connection.incoming &&
            connection.verdict.category != Category::apple)
            rules.push_back(blockRule(app, connection, now));
    return rules;
}

std::set<std::string> baseline(const Journal& journal, const std::vector<Connection>& listed) {
    std::set<std::string> known;
    for (const auto& [id, entry] : journal.entries())
        known.insert(entry.dest);
    for (const Connection& connection : listed)
        known.insert(connection.dest());
    return known;
}

} // namespace Decider

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "policy/decider.h"
#include "temp_dir.h"

using namespace std::chrono_literals;
using enum RuleAction;

namespace {

const Dates::TimePoint now = std::chrono::sys_days(2026y / 12 / 7) + 12h;
const std::chrono::sys_seconds created = std::chrono::floor<std::chrono::seconds>(now);

Connection to(std::string ip, std::optional<std::string> host = std::nullopt,
              Category category = Category::unknown,
              std::optional<std::string> company = std::nullopt) {
    Connection connection;
    connection.app.name = "curl";
    connection.ip = std::move(ip);
    connection.host = std::move(host);
    connection.verdict = {category, std::move(company), std::nullopt};
    return connection;
}

Connection fromSystem(Connection connection) {
    connection.app.isSystem = true;
    return connection;
}

Connection incoming(Connection connection) {
    connection.incoming = true;
    return connection;
}

Connection unseen(Connection connection) {
    connection.app = AppIdentity::unseen(Lang::en);
    return connection;
}

RuleSet rulesOf(std::vector<std::pair<std::string, RuleAction>> targets, bool blockNew = false,
                std::set<std::string> baseline = {}) {
    RuleSet rules;
    for (const auto& [target, action] : targets)
        rules.set(target, std::nullopt, action, std::nullopt, {});
    rules.blockNew = blockNew;
    rules.baseline = std::move(baseline);
    return rules;
}

const RuleSet blockingNew = rulesOf({}, true);

// What the rule for `target` alone says.
Decision followed(RuleAction action, const std::string& target) {
    return {.action = action,
            .rule = rulesOf({{target, action}}).rules.front(),
            .newRule = std::nullopt,
            .notice = std::nullopt,
            .ask = action == ask};
}

Decision blockedNew(const std::string& dest, std::optional<std::vector<std::string>> ips) {
    return {.action = block,
            .newRule = Rule{dest, "curl", block, created, std::move(ips)},
            .notice = Decision::Notice{Decision::Notice::Kind::blockedNew, "new|" + dest}};
}

Decision noticed(const std::string& key) {
    return {.action = std::nullopt,
            .newRule = std::nullopt,
            .notice = Decision::Notice{Decision::Notice::Kind::tracker, key}};
}

const Connection beacon = to("198.51.100.7", "beacon.tracker.example", Category::tracker);

struct DecisionCase {
    const char* name;
    RuleSet rules;
    Connection connection;
    std::optional<Decision> decision;
    // When the journal recorded the same program and destination before.
    std::optional<Dates::TimePoint> recorded{};
};

} // namespace

TEST(Decider, DecidesOneConnection) {
    const Connection address = to("203.0.113.9"), mail = to("198.51.100.4", "mail.example");
    for (const DecisionCase& c : std::vector<DecisionCase>{
             {"local: only listed", rulesOf({{"192.168.1.5", ask}}, true), to("192.168.1.5"),
              std::nullopt},
             {"ask rule", rulesOf({{"203.0.113.9", ask}}), address, followed(ask, "203.0.113.9")},
             {"address rule", rulesOf({{"198.51.100.4", block}}), mail,
              followed(block, "198.51.100.4")},
             {"host rule over address rule",
              rulesOf({{"198.51.100.4", block}, {"mail.example", allow}}), mail,
              followed(allow, "mail.example")},
             {"new: address", blockingNew, address, blockedNew("203.0.113.9", std::nullopt)},
             // The address of a host goes with it only when the address table cannot name it.
             {"new: unnamed host", blockingNew, beacon,
              blockedNew("beacon.tracker.example", {{"198.51.100.7"}})},
             {"new: known provider", blockingNew, to("157.240.1.1", "chat.example"),
              blockedNew("chat.example", std::nullopt)},
             {"new: baseline", rulesOf({}, true, {"203.0.113.9"}), address, Decision{}},
             {"new: Apple", blockingNew, to("17.253.1.2", std::nullopt, Category::apple),
              Decision{}},
             {"new: system program", blockingNew, fromSystem(address), Decision{}},
             {"new: yields to a rule", rulesOf({{"203.0.113.9", allow}}, true), address,
              followed(allow, "203.0.113.9")},
             {"social: by company",
              {},
              to("157.240.1.1", {}, Category::social, "Meta (Facebook)"),
              noticed("trk|curl|Meta (Facebook)")},
             {"ads: by destination",
              {},
              to("198.51.100.7", "ads.example", Category::ads),
              noticed("trk|curl|ads.example")},
             {"tracker seen today", {}, beacon, Decision{}, now},
             {"tracker seen yesterday",
              {},
              beacon,
              noticed("trk|curl|beacon.tracker.example"),
              now - 24h},
             {"cdn: no notice", {}, to("151.101.1.1", {}, Category::cdn, "Fastly"), Decision{}},
             // A closed connection whose program was never seen says nothing of a program
             // sending data.
             {"unseen program", {}, unseen(beacon), Decision{}},
             // Rules govern what programs reach; who reaches them is only journaled: no rule, no
             // block of the new and no tracker notice applies.
             {"incoming", rulesOf({{"beacon.tracker.example", block}}, true), incoming(beacon),
              Decision{}},
         }) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Journal journal(dir.path(), 7, [] { return now; });
        if (c.recorded)
            journal.record("curl", c.connection.dest(), c.connection.ip, 443, c.connection.verdict,
                           0, 0, false, *c.recorded);
        EXPECT_EQ(Decider::decide(c.rules, c.connection, journal, now), c.decision);
    }
}

TEST(Decider, BlockAllTakesEveryInternetDestinationButApplesAndTheBaselineTheRest) {
    const std::vector<Connection> connections{
        to("17.253.1.2", std::nullopt, Category::apple), to("192.168.1.5"), to("203.0.113.9"),
        to("198.51.100.4", "Beacon.Tracker.Example", Category::tracker),
        incoming(to("198.51.100.9"))};
    EXPECT_EQ(Decider::blockAll("curl", connections, now),
              (std::vector<Rule>{{"203.0.113.9", "curl", block, created, std::nullopt},
                                 {"beacon.tracker.example", "curl", block, created,
                                  std::vector<std::string>{"198.51.100.4"}}}));
    // The baseline is the journal and the listed destinations.
    TempDir dir;
    Journal journal(dir.path(), 7, [] { return now; });
    journal.record("curl", "203.0.113.9", "203.0.113.9", 443, {}, 0, 0, false, now - 24h);
    EXPECT_EQ(Decider::baseline(journal, {to("198.51.100.4", "mail.example"), to("203.0.113.9")}),
              (std::set<std::string>{"203.0.113.9", "mail.example"}));
}

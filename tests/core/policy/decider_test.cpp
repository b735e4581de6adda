#include <gtest/gtest.h>

#include "policy/decider.h"
#include "temp_dir.h"

using namespace std::chrono_literals;
using enum RuleAction;

namespace {

const Dates::TimePoint now = std::chrono::sys_days(2026y / 12 / 7) + 12h;
const std::chrono::sys_seconds created = std::chrono::floor<std::chrono::seconds>(now);

Connection to(const std::string& ip, std::optional<std::string> host = std::nullopt,
              Category category = Category::unknown,
              std::optional<std::string> company = std::nullopt) {
    Connection connection;
    connection.app.name = "curl";
    connection.ip = ip;
    connection.port = 443;
    connection.proto = "tcp";
    connection.host = std::move(host);
    connection.verdict.category = category;
    connection.verdict.company = std::move(company);
    return connection;
}

Connection fromSystem(Connection connection) {
    connection.app.isSystem = true;
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
            .notice = Decision::Notice{Decision::Notice::Kind::blockedNew, "new|" + dest},
            .ask = false};
}

Decision noticed(const std::string& key) {
    return {.action = std::nullopt,
            .newRule = std::nullopt,
            .notice = Decision::Notice{Decision::Notice::Kind::tracker, key},
            .ask = false};
}

struct DecisionCase {
    std::string name;
    RuleSet rules;
    Connection connection;
    // When the journal recorded the same program and destination before.
    std::optional<Dates::TimePoint> recorded;
    std::optional<Decision> decision;
};

class Decide : public testing::TestWithParam<DecisionCase> {};

} // namespace

TEST_P(Decide, OneConnection) {
    const DecisionCase& c = GetParam();
    TempDir dir;
    Journal journal(dir.path(), 7, [] { return now; });
    if (c.recorded)
        journal.record(c.connection.app.name, c.connection.dest(), c.connection.ip, 443,
                       c.connection.verdict, 0, 0, false, *c.recorded);
    EXPECT_EQ(Decider::decide(c.rules, c.connection, journal, now), c.decision);
}

INSTANTIATE_TEST_SUITE_P(
    Decider, Decide,
    testing::Values(
        DecisionCase{"LocalAddressesAreOnlyListed", rulesOf({{"192.168.1.5", ask}}, true),
                     to("192.168.1.5"), std::nullopt, std::nullopt},
        DecisionCase{"NoRuleNothingToDo", {}, to("203.0.113.9"), std::nullopt, Decision{}},
        DecisionCase{"AnAskRuleAsks", rulesOf({{"203.0.113.9", ask}}), to("203.0.113.9"),
                     std::nullopt, followed(ask, "203.0.113.9")},
        DecisionCase{"TheAddressRuleHoldsForANamedHost", rulesOf({{"198.51.100.4", block}}),
                     to("198.51.100.4", "mail.example"), std::nullopt,
                     followed(block, "198.51.100.4")},
        DecisionCase{"AHostRuleWinsOverAnAddressRule",
                     rulesOf({{"198.51.100.4", block}, {"mail.example", allow}}),
                     to("198.51.100.4", "mail.example"), std::nullopt,
                     followed(allow, "mail.example")},
        DecisionCase{"AParentDomainRuleSilencesATracker", rulesOf({{"tracker.example", allow}}),
                     to("198.51.100.4", "beacon.tracker.example", Category::tracker), std::nullopt,
                     followed(allow, "tracker.example")},
        DecisionCase{"BlockNewBlocksAnAddress", blockingNew, to("203.0.113.9"), std::nullopt,
                     blockedNew("203.0.113.9", std::nullopt)},
        DecisionCase{"BlockNewKeepsTheAddressOfAHostTheTableCannotName", blockingNew,
                     to("198.51.100.4", "beacon.tracker.example", Category::tracker), std::nullopt,
                     blockedNew("beacon.tracker.example", {{"198.51.100.4"}})},
        DecisionCase{"BlockNewLeavesOutAKnownProvidersAddress", blockingNew,
                     to("157.240.1.1", "chat.example"), std::nullopt,
                     blockedNew("chat.example", std::nullopt)},
        DecisionCase{"BlockNewLeavesTheBaselineAlone", rulesOf({}, true, {"203.0.113.50"}),
                     to("203.0.113.50"), std::nullopt, Decision{}},
        DecisionCase{"BlockNewLeavesAppleAlone", blockingNew,
                     to("17.253.1.2", std::nullopt, Category::apple), std::nullopt, Decision{}},
        DecisionCase{"BlockNewLeavesSystemProgramsAlone", blockingNew,
                     fromSystem(to("203.0.113.10")), std::nullopt, Decision{}},
        DecisionCase{"BlockNewYieldsToARule", rulesOf({{"203.0.113.9", allow}}, true),
                     to("203.0.113.9"), std::nullopt, followed(allow, "203.0.113.9")},
        DecisionCase{"ASocialNetworkIsNoticedByCompany",
                     {},
                     to("157.240.1.1", std::nullopt, Category::social, "Meta (Facebook)"),
                     std::nullopt,
                     noticed("trk|curl|Meta (Facebook)")},
        DecisionCase{"AnAdNetworkWithoutCompanyIsNoticedByDestination",
                     {},
                     to("198.51.100.7", "ads.example", Category::ads),
                     std::nullopt,
                     noticed("trk|curl|ads.example")},
        DecisionCase{"ATrackerSeenTodayIsNotNoticedAgain",
                     {},
                     to("198.51.100.7", "beacon.tracker.example", Category::tracker),
                     now,
                     Decision{}},
        DecisionCase{"ATrackerSeenYesterdayIsNoticedAgain",
                     {},
                     to("198.51.100.7", "beacon.tracker.example", Category::tracker),
                     now - 24h,
                     noticed("trk|curl|beacon.tracker.example")},
        DecisionCase{"OtherCategoriesAreNotNoticed",
                     {},
                     to("151.101.1.1", std::nullopt, Category::cdn, "Fastly"),
                     std::nullopt,
                     Decision{}}),
    [](const testing::TestParamInfo<DecisionCase>& info) { return info.param.name; });

TEST(Decider, BlockAllTakesEveryInternetDestinationButApples) {
    const std::vector<Connection> connections{
        to("17.253.1.2", std::nullopt, Category::apple), to("192.168.1.5"), to("203.0.113.9"),
        to("198.51.100.4", "Beacon.Tracker.Example", Category::tracker)};
    EXPECT_EQ(Decider::blockAll("curl", connections, now),
              (std::vector<Rule>{{"203.0.113.9", "curl", block, created, std::nullopt},
                                 {"beacon.tracker.example", "curl", block, created,
                                  std::vector<std::string>{"198.51.100.4"}}}));
}

TEST(Decider, TheBaselineIsTheJournalAndTheListedDestinations) {
    TempDir dir;
    Journal journal(dir.path(), 7, [] { return now; });
    journal.record("curl", "203.0.113.9", "203.0.113.9", 443, {}, 0, 0, false, now - 24h);
    EXPECT_EQ(Decider::baseline(journal, {to("198.51.100.4", "mail.example"), to("203.0.113.9")}),
              (std::set<std::string>{"203.0.113.9", "mail.example"}));
}

// What a closed connection left, whose program was never seen, raises no notice of a program
// sending data; a rule about its destination still holds.
TEST(Decider, AConnectionClosedBeforeItWasSeenRaisesNoNotice) {
    Connection left = to("203.0.113.9", "ads.example", Category::ads, "Acme");
    left.app = AppIdentity::unseen(Lang::en);
    TempDir dir;
    Journal journal(dir.path(), 7, [] { return now; });
    EXPECT_EQ(Decider::decide(RuleSet{}, left, journal, now), (Decision{.action = std::nullopt,
                                                                        .newRule = std::nullopt,
                                                                        .notice = std::nullopt,
                                                                        .ask = false}));
    EXPECT_EQ(Decider::decide(rulesOf({{"ads.example", block}}), left, journal, now),
              followed(block, "ads.example"));
}

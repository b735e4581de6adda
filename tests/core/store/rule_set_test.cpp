// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "store/rule_set.h"

using nlohmann::json;
using namespace std::chrono;
using enum RuleAction;

namespace {

const sys_seconds created = sys_days(2025y / March / 1) + 9h + 30min;

RuleSet withRules(std::initializer_list<std::pair<const char*, RuleAction>> rules) {
    RuleSet set;
    for (const auto& [target, action] : rules)
        set.set(target, std::nullopt, action, std::nullopt, created);
    return set;
}

Rule rule(std::string target, RuleAction action,
          std::optional<std::vector<std::string>> ips = std::nullopt) {
    return {std::move(target), std::nullopt, action, created, std::move(ips)};
}

} // namespace

TEST(RuleSetAction, ExactNamesThenParentDomainsOfTwoLabels) {
    RuleSet rules = withRules({{"example.com", block},
                               {"cdn.example.com", allow},
                               {"10.0.0.1", block},
                               {"intranet", block},
                               {"com", ask}});
    rules.rules.push_back(rule("Capital.org", block));
    std::vector<std::pair<std::string, std::optional<RuleAction>>> cases{
        {"WWW.Example.COM", block},
        {"a.b.cdn.example.com", allow},
        {"img.example.com", block},
        {"cdn.example.com", allow},
        {"example.com", block},
        {"10.0.0.1", block},
        {"host.10.0.0.1", std::nullopt},
        {"intranet", block},
        {"box.intranet", std::nullopt},
        {"other.com", std::nullopt},
        {"com", ask},
        {"capital.org", std::nullopt},
        {"Capital.org", std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
        {"a..example.com", block}};
    for (const auto& [dest, action] : cases)
        EXPECT_EQ(rules.action(dest), action) << dest;
}

TEST(RuleSetSet, ReplacesMovesToTheEndOrRemovesAndKeepsValidAddresses) {
    RuleSet rules = withRules({{"Ads.Example.com", ask}, {"other.org", allow}});
    rules.set("ADS.example.COM", "Firefox", block, std::nullopt, created + 60s);
    ASSERT_EQ(rules.rules.size(), 2u);
    EXPECT_EQ(rules.rules[0].target, "other.org");
    EXPECT_EQ(rules.rules[1], (Rule{.target = "ads.example.com",
                                    .app = "Firefox",
                                    .action = block,
                                    .created = created + 60s,
                                    .ips = std::nullopt}));
    rules.set("other.org", std::nullopt, std::nullopt, std::nullopt, created);
    rules.set("missing.org", std::nullopt, std::nullopt, std::nullopt, created);
    EXPECT_EQ(rules.rules.size(), 1u);
    EXPECT_FALSE(rules.remove("missing.org"));
    EXPECT_TRUE(rules.remove("ADS.Example.com"));
    EXPECT_TRUE(rules.rules.empty());
    // Only valid addresses are kept.
    rules.set("a.com", std::nullopt, block,
              std::vector<std::string>{"1.2.3.4", "not an address", "::1"}, created);
    rules.set("b.com", std::nullopt, block, std::vector<std::string>{"1.2.3.4\n"}, created);
    EXPECT_EQ(rules.rules[0].ips, (std::vector<std::string>{"1.2.3.4", "::1"}));
    EXPECT_EQ(rules.rules[1].ips, std::vector<std::string>{});
}

TEST(RuleSetAction, AddressesMatchInCanonicalForm) {
    RuleSet rules = withRules({{"2001:DB8:0:0::1", block}, {"::ffff:203.0.113.1", block}});
    EXPECT_EQ(rules.rules[0].target, "2001:db8::1");
    EXPECT_EQ(rules.exportIPs(), "2001:db8::1\n203.0.113.1\n");
    // A dual-stack socket's mapped peer and an uncompressed address meet the same rules.
    for (const char* ip : {"2001:db8::1", "2001:db8:0::1", "203.0.113.1", "::ffff:203.0.113.1"})
        EXPECT_EQ(rules.action(ip), block) << ip;
    ASSERT_NE(rules.ruleFor("::FFFF:203.0.113.1", "::FFFF:203.0.113.1", "/bin/x"), nullptr);
    rules.remove("203.0.113.1");
    EXPECT_EQ(rules.rules.size(), 1u);
    // An address written in another form by an older version is read canonical.
    json old = json::parse(
        R"({"target":"2001:DB8::0:1","action":"block","created":"2025-03-01T09:30:00Z"})");
    EXPECT_EQ(old.get<Rule>().target, "2001:db8::1");
}

TEST(RuleSetJson, SortedKeysOptionalFieldsAndStrictDecoding) {
    RuleSet rules{
        {{"a.com", "App", block, created, std::vector<std::string>{"1.2.3.4"}}, rule("b.com", ask)},
        true,
        {"z.org", "a.org"},
        false};
    EXPECT_EQ(json(rules).dump(),
              R"({"baseline":["a.org","z.org"],"blockAllListed":false,"blockNew":true,"rules":[)"
              R"({"action":"block","app":"App","created":"2025-03-01T09:30:00Z","ips":["1.2.3.4"],)"
              R"("target":"a.com"},{"action":"ask","created":"2025-03-01T09:30:00Z",)"
              R"("target":"b.com"}],"version":2})");
    EXPECT_EQ(json(rules).get<RuleSet>(), rules);

    // Values are taken as they stand.
    json raw = json::parse(R"({"target":"A.com","action":"allow","created":"2025-03-01T09:30:00Z",
                               "ips":["junk"]})");
    EXPECT_EQ(raw.get<Rule>(), rule("A.com", allow, std::vector<std::string>{"junk"}));

    const char* valid = R"({"target":"a.com","action":"block","created":"2025-03-01T09:30:00Z"})";
    for (const char* text :
         {R"({"rules":[],"blockNew":false,"baseline":[]})",
          R"({"rules":[],"blockNew":0,"baseline":[],"blockAllListed":false})",
          R"({"rules":{},"blockNew":false,"baseline":[],"blockAllListed":false})",
          R"({"rules":[],"blockNew":false,"baseline":"a","blockAllListed":false})", "[]"})
        EXPECT_THROW(json::parse(text).get<RuleSet>(), json::exception) << text;
    for (const char* text :
         {R"({"action":"block","created":"2025-03-01T09:30:00Z"})",
          R"({"target":"a.com","action":"Block","created":"2025-03-01T09:30:00Z"})",
          R"({"target":"a.com","action":"deny","created":"2025-03-01T09:30:00Z"})",
          R"({"target":"a.com","action":"block","created":"2025-03-01T09:30:00.5Z"})",
          R"({"target":"a.com","action":"block","created":1740821400})",
          R"({"target":"a.com","action":"block","created":"2025-03-01T09:30:00Z","app":null})",
          R"({"target":"a.com","action":"block","created":"2025-03-01T09:30:00Z","ips":[1]})"})
        EXPECT_THROW(json::parse(text).get<Rule>(), json::exception) << text;
    EXPECT_NO_THROW(json::parse(valid).get<Rule>());
}

TEST(RuleSetExport, AddressFileDropsAllowedInvalidAndDuplicateAddresses) {
    RuleSet rules{{rule("host.example.com", block, std::vector<std::string>{"1.2.3.4"}),
                   rule("1.2.3.4", allow), rule("9.9.9.9", block),
                   rule("bad_name", block, std::vector<std::string>{"2001:db8::1", "9.9.9.9"}),
                   rule("ask.example.com", ask, std::vector<std::string>{"5.5.5.5"}),
                   rule("junk.com", block, std::vector<std::string>{"5.6.7.8\n1.1.1.1", ""}),
                   rule("10.0.0.1", block),
                   rule("allowed.com", allow, std::vector<std::string>{"10.0.0.1"})},
                  false,
                  {},
                  false};
    EXPECT_EQ(rules.exportIPs(), "10.0.0.1\n2001:db8::1\n9.9.9.9\n");
    EXPECT_EQ(rules.exportDomains(nullptr), "host.example.com\njunk.com\n");
}

TEST(RuleSetExport, DomainFileWithTheTrackerList) {
    ListedDomains listed{{"tracker.com", 'a'},    {"sub.tracker.com", 'a'}, {"ads.net", 'b'},
                         {"bad_entry.com", 'a'},  {"evil.com\nx.com", 'a'}, {"single", 'a'},
                         {"blocked.example", 'b'}};
    RuleSet rules{{rule("tracker.com", allow), rule("blocked.example", block),
                   rule("Upper.Example", block), rule("line.com\nbreak.com", block),
                   rule("1.2.3.4", block)},
                  false,
                  {},
                  false};
    EXPECT_EQ(rules.exportDomains(&listed), "Upper.Example\nblocked.example\n");
    rules.blockAllListed = true;
    EXPECT_EQ(rules.exportDomains(nullptr), "Upper.Example\nblocked.example\n");
    EXPECT_EQ(rules.exportDomains(&listed),
              "Upper.Example\nads.net\nblocked.example\nsub.tracker.com\n");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "fixture.h"
#include "read_text.h"
#include "store/rule_edit.h"
#include "store/rule_store.h"
#include "temp_dir.h"

using enum RuleAction;

namespace {

const std::string editor = "/usr/bin/editor";

RuleSet rulesOf(std::vector<std::tuple<std::string, std::optional<std::string>, RuleAction>> set) {
    RuleSet rules;
    for (const auto& [target, program, action] : set)
        rules.set(target, std::nullopt, action, std::nullopt, {}, program);
    return rules;
}

std::optional<std::string> ruleIn(const RuleSet& rules, const std::optional<std::string>& program,
                                  const std::string& dest = "ads.example.com",
                                  const std::string& ip = "203.0.113.7") {
    const Rule* rule = rules.ruleFor(dest, ip, program);
    if (!rule) return std::nullopt;
    return RuleActions::name(rule->action) + " " + rule->target + " " + rule->program.value_or("*");
}

} // namespace

// Most particular first: the program's rule for the destination (by name, a parent domain, or
// address), its rule for everything, then the rule for every program; a block for every program
// stands whatever one program's rules say.
TEST(RuleScope, ThePrecedenceOfRules) {
    struct Case {
        const char* name;
        RuleSet rules;
        std::optional<std::string> program;
        std::optional<std::string> inForce;
    };
    const std::optional<std::string> other = "/usr/bin/other";
    for (const Case& c : {
             Case{"none", {}, editor, std::nullopt},
             Case{"everywhere", rulesOf({{"ads.example.com", {}, ask}}), editor,
                  "ask ads.example.com *"},
             Case{"programAndDestinationOverEverything",
                  rulesOf({{"*", editor, block}, {"ads.example.com", editor, allow}}), editor,
                  "allow ads.example.com /usr/bin/editor"},
             Case{"aParentDomainOfTheProgram",
                  rulesOf({{"*", editor, allow}, {"example.com", editor, block}}), editor,
                  "block example.com /usr/bin/editor"},
             Case{"theProgramsAddressRule",
                  rulesOf({{"*", editor, allow}, {"203.0.113.7", editor, block}}), editor,
                  "block 203.0.113.7 /usr/bin/editor"},
             Case{"aNameRuleBeforeAnAddressRule",
                  rulesOf({{"203.0.113.7", editor, block}, {"ads.example.com", editor, allow}}),
                  editor, "allow ads.example.com /usr/bin/editor"},
             Case{"programEntirelyOverEverywhere",
                  rulesOf({{"ads.example.com", {}, allow}, {"*", editor, block}}), editor,
                  "block * /usr/bin/editor"},
             Case{"anotherProgramsRuleDoesNotCount",
                  rulesOf({{"ads.example.com", {}, ask}, {"*", other, block}}), editor,
                  "ask ads.example.com *"},
             Case{"aProgramNotKnown", rulesOf({{"*", editor, block}}), std::nullopt, std::nullopt},
             Case{"aBlockEverywhereStands",
                  rulesOf({{"ads.example.com", {}, block}, {"ads.example.com", editor, allow}}),
                  editor, "block ads.example.com *"},
             Case{"anAllowEverywhereYieldsToTheProgram",
                  rulesOf({{"ads.example.com", {}, allow}, {"ads.example.com", editor, block}}),
                  editor, "block ads.example.com /usr/bin/editor"},
         })
        EXPECT_EQ(ruleIn(c.rules, c.program), c.inForce) << c.name;
}

TEST(RuleScope, EachPlaceKeepsItsOwnRuleAndProgramRulesGoToTheirOwnFile) {
    RuleSet rules = rulesOf({{"ads.example.com", {}, block},
                             {"ads.example.com", editor, allow},
                             {"*", editor, block},
                             {"ask.example", editor, ask},
                             {"asked.example", {}, ask}});
    rules.set("tracker.example", std::nullopt, block, std::vector<std::string>{"192.0.2.5"}, {},
              editor);
    EXPECT_EQ(rules.actionAt({"ADS.example.com", editor}), allow);
    EXPECT_EQ(rules.actionAt({"ads.example.com", std::nullopt}), block);
    // Only rules for every program reach the firewall and DNS; asks go to the hooks.
    EXPECT_EQ(rules.exportDomains(nullptr), "ads.example.com\n");
    EXPECT_EQ(rules.exportPrograms(), "allow\t/usr/bin/editor\tads.example.com\n"
                                      "ask\t*\tasked.example\n"
                                      "ask\t/usr/bin/editor\task.example\n"
                                      "block\t/usr/bin/editor\t*\n"
                                      "block\t/usr/bin/editor\t192.0.2.5\n"
                                      "block\t/usr/bin/editor\ttracker.example\n");
    rules.remove("ads.example.com", editor);
    EXPECT_EQ(rules.actionAt({"ads.example.com", editor}), std::nullopt);
    EXPECT_EQ(rules.action("ads.example.com"), block);
}

// A file written before rules could name a program loads as it was, every rule for every
// program; written again it gains its version, and a newer file is refused, not misread.
TEST(RuleScope, ARulesFileFromBeforeLoadsUnchanged) {
    TempDir dir;
    Paths paths(dir.path());
    ASSERT_TRUE(AtomicFile::write(paths.rulesFile(), fixture("rules_before_programs.json")));
    RuleStore::Reading old = RuleStore::read(paths);
    ASSERT_EQ(old.problem, std::nullopt);
    ASSERT_EQ(old.rules.rules.size(), 2u);
    for (const Rule& rule : old.rules.rules)
        EXPECT_EQ(rule.program, std::nullopt);
    EXPECT_EQ(old.rules.ruleFor("ads.example.com", "203.0.113.7", editor)->action, block);
    ASSERT_TRUE(RuleStore::save(old.rules, paths));
    EXPECT_NE(readText(paths.rulesFile()).find("\"version\": 2"), std::string::npos);
    EXPECT_EQ(RuleStore::load(paths), old.rules);
    ASSERT_TRUE(AtomicFile::write(paths.rulesFile(),
                                  R"({"version":3,"rules":[],"blockNew":false,"baseline":[],)"
                                  R"("blockAllListed":false})"));
    EXPECT_NE(RuleStore::read(paths).problem, std::nullopt);
}

TEST(RuleEdit, ABadProgramRuleIsRefusedWithItsReason) {
    TempDir dir;
    ASSERT_TRUE(AtomicFile::write(dir / "data.txt", "x"));
    auto refused = [](RuleEdit edit, const std::string& reason) {
        Result<void> checked = edit.check();
        ASSERT_FALSE(checked) << reason;
        EXPECT_NE(checked.error().message.find(reason), std::string::npos)
            << checked.error().message;
    };
    refused({{"ads.example", "bin/editor"}, block}, "full path of its executable");
    refused({{"ads.example", dir / "missing"}, block}, "No such file or directory");
    refused({{"ads.example", dir.path()}, block}, "a folder, not a program");
    refused({{"ads.example", dir / "data.txt"}, block}, "not a program that can be run");
    refused({{"not a domain", std::nullopt}, block}, "is no domain or address");
    refused({{"*", std::nullopt}, block}, "is no domain or address");
    refused({{"ads.example", "/bin/sh\nallow\t/bin/sh\t*"}, block}, "control character");
    for (const char* local :
         {"127.0.0.1", "127.1.2.3", "::1", "0:0::1", "::ffff:127.0.0.1", "0.0.0.0", "::"})
        refused({{local, std::nullopt}, block}, "loopback or unspecified");
    refused({{"-rf.example", std::nullopt}, block}, "begins with \"-\"");
    RuleEdit address{{"2001:DB8:0:0::1", std::nullopt}, block};
    ASSERT_TRUE(address.check());
    EXPECT_EQ(address.place.target, "2001:db8::1");
    // A program is named by its own file, links followed, and an edit crosses the socket whole.
    RuleEdit edit{{"*", "/bin/sh"}, block};
    ASSERT_TRUE(edit.check());
    EXPECT_EQ(edit.place.program, std::filesystem::canonical("/bin/sh").string());
    EXPECT_EQ(RuleEdit::read(edit.line().substr(0, edit.line().size() - 1)), edit);
    RuleEdit removal{{"ads.example", std::nullopt}, std::nullopt};
    EXPECT_EQ(RuleEdit::read(removal.line()), removal);
    EXPECT_EQ(RuleEdit::read("rule {\"program\":1}"), std::nullopt);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "store/rule_store.h"
#include "temp_dir.h"

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

CliResult runRules(const std::string& home, const std::string& arguments,
                   const char* streams = "2>&1") {
    return runCli("rules " + arguments, streams, "NATTERVANE_HOME='" + home + "'");
}

} // namespace

TEST(RulesCommand, PrintsTheRulesWithoutWriting) {
    TempDir home;
    RuleSet rules;
    sys_seconds created = sys_days(2025y / March / 1) + 9h + 30min;
    rules.set("ads.example.com", "Firefox", RuleAction::block,
              std::vector<std::string>{"203.0.113.7", "::1"}, created);
    rules.rules.push_back(
        {"evil\x1b[2J.com", std::nullopt, RuleAction::allow, created, std::nullopt});
    rules.blockNew = true;
    ASSERT_TRUE(RuleStore::save(rules, Paths(home.path())));
    // A save would replace the rules file.
    const auto saved = fs::last_write_time(home / "rules.json");
    CliResult table = runRules(home.path(), "");
    ASSERT_EQ(table.status, 0) << table.out;
    for (const char* part : {"rules: 2\nblock everything new: on", "block  ads.example.com",
                             "Firefox", "2025-03-01T09:30:00Z 203.0.113.7,::1\n",
                             // Control characters are shown as \\xNN.
                             "evil\\x1b[2J.com"})
        EXPECT_TRUE(has(table.out, part)) << part << " in " << table.out;
    EXPECT_EQ(
        nlohmann::json::parse(runRules(home.path(), "--json", "2>/dev/null").out).get<RuleSet>(),
        rules);
    EXPECT_EQ(fs::last_write_time(home / "rules.json"), saved);
}

TEST(RulesCommand, AMissingFileIsNoRulesAndAMalformedOneIsLeftAsItIs) {
    TempDir home;
    std::string missing = home / "absent";
    EXPECT_TRUE(has(runRules(missing, "").out, "rules: 0\n"));
    EXPECT_FALSE(fs::exists(missing));
    std::ofstream(home / "rules.json") << "{\"rules\": [";
    CliResult malformed = runRules(home.path(), "--json");
    EXPECT_EQ(malformed.status, 1);
    EXPECT_FALSE(has(malformed.out, "json.exception")) << malformed.out;
    for (const std::string& part :
         {"nattervane-cli: " + home.path() +
              "/rules.json cannot be used (it is not valid JSON at line 1, "
              "column 12)",
          "it is left unchanged, and the application keeps a copy as " + home.path() +
              "/rules.json.bad-"})
        EXPECT_TRUE(has(malformed.out, part)) << malformed.out;
    EXPECT_EQ(std::distance(fs::directory_iterator(home.path()), {}), 1);
}

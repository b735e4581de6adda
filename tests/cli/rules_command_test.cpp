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

// Every file under `root` with its modification time, to see that nothing was written.
std::map<std::string, fs::file_time_type> snapshot(const std::string& root) {
    std::map<std::string, fs::file_time_type> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        files[entry.path()] = entry.last_write_time();
    return files;
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
    auto before = snapshot(home.path());

    CliResult table = runRules(home.path(), "");
    ASSERT_EQ(table.status, 0) << table.out;
    EXPECT_NE(table.out.find("rules: 2\nblock everything new: on"), std::string::npos);
    EXPECT_NE(table.out.find("block  ads.example.com"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("Firefox"), std::string::npos);
    EXPECT_NE(table.out.find("2025-03-01T09:30:00Z 203.0.113.7,::1\n"), std::string::npos);
    EXPECT_NE(table.out.find("evil?[2J.com"), std::string::npos) << "control characters shown";

    CliResult json = runRules(home.path(), "--json", "2>/dev/null");
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(nlohmann::json::parse(json.out).get<RuleSet>(), rules);
    EXPECT_EQ(snapshot(home.path()), before);
}

TEST(RulesCommand, AMissingFileIsNoRulesAndAMalformedOneIsLeftAsItIs) {
    TempDir home;
    std::string missing = home.path() + "/absent";
    CliResult empty = runRules(missing, "");
    EXPECT_EQ(empty.status, 0);
    EXPECT_NE(empty.out.find("rules: 0\n"), std::string::npos) << empty.out;
    EXPECT_FALSE(fs::exists(missing));

    std::ofstream(home.path() + "/rules.json") << "{\"rules\": [";
    CliResult malformed = runRules(home.path(), "--json");
    EXPECT_EQ(malformed.status, 1);
    EXPECT_NE(malformed.out.find("nattervane-cli: " + home.path() +
                                 "/rules.json cannot be used (it is not a valid rule set"),
              std::string::npos)
        << malformed.out;
    EXPECT_NE(malformed.out.find("it is left unchanged, and the application keeps a copy as " +
                                 home.path() + "/rules.json.bad-"),
              std::string::npos)
        << malformed.out;
    EXPECT_EQ(std::distance(fs::directory_iterator(home.path()), {}), 1);
}

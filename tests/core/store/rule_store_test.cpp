// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "file_size_limit.h"
#include "read_text.h"
#include "scoped_env.h"
#include "store/rule_edit.h"
#include "store/rule_store.h"
#include "temp_dir.h"

namespace fs = std::filesystem;
using namespace std::chrono;
using enum RuleAction;

namespace {

const sys_seconds created = sys_days(2025y / March / 1) + 9h + 30min;

// A file written anew is a new file moved over the old one: it has another inode.
ino_t inode(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_ino;
}

class RuleStoreTest : public testing::Test {
  protected:
    RuleSet sample() const {
        RuleSet rules;
        rules.set("ads.example.com", "Firefox", block, std::vector<std::string>{"203.0.113.7"},
                  created);
        rules.set("198.51.100.1", std::nullopt, block, std::nullopt, created);
        rules.set("ask.example.org", std::nullopt, ask, std::nullopt, created);
        rules.baseline = {"known.example"};
        return rules;
    }

    TempDir home;
    Paths paths{home.path() + "/data"};
};

} // namespace

TEST(Paths, RootFromArgumentEnvironmentOrPlatform) {
    {
        ScopedEnv env("NATTERVANE_HOME", "/srv/nv");
        EXPECT_EQ(Paths("/given").root, "/given");
        EXPECT_EQ(Paths(std::nullopt, platform::macos()).journal(), "/srv/nv/journal");
    }
    ScopedEnv home("HOME", "/Users/anna");
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        ScopedEnv env("NATTERVANE_HOME", value);
        EXPECT_EQ(Paths(std::nullopt, platform::macos()).root,
                  "/Users/anna/Library/Application Support/Nattervane");
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(Paths(std::nullopt, platform::linux()),
                  Paths("/Users/anna/.local/share/Nattervane", platform::linux()));
        ScopedEnv xdgSet("XDG_DATA_HOME", "/tmp/xdg");
        EXPECT_EQ(Paths(std::nullopt, platform::linux()).root, "/tmp/xdg/Nattervane");
    }
}

TEST_F(RuleStoreTest, SavesAndLoadsTheRulesAndBothBlockFiles) {
    RuleSet rules = sample();
    rules.blockAllListed = true;
    ListedDomains listed{{"tracker.net", 'x'}};
    ASSERT_TRUE(RuleStore::save(rules, paths, &listed));
    EXPECT_EQ(RuleStore::load(paths), rules);
    EXPECT_EQ(readText(paths.blockIPs()), "198.51.100.1\n203.0.113.7\n");
    EXPECT_EQ(readText(paths.blockDomains()), "ads.example.com\ntracker.net\n");
}

TEST_F(RuleStoreTest, BlockFilesAreRewrittenOnlyWhenTheirTextChanges) {
    RuleSet rules = sample();
    ASSERT_TRUE(RuleStore::save(rules, paths));
    const ino_t ips = inode(paths.blockIPs()), domains = inode(paths.blockDomains());
    const ino_t rulesFile = inode(paths.rulesFile());
    rules.set("other.example.org", std::nullopt, ask, std::nullopt, created);
    ASSERT_TRUE(RuleStore::save(rules, paths));
    EXPECT_EQ(inode(paths.blockIPs()), ips);
    EXPECT_EQ(inode(paths.blockDomains()), domains);
    EXPECT_NE(inode(paths.rulesFile()), rulesFile);
    rules.set("other.example.org", std::nullopt, block, std::nullopt, created);
    ASSERT_TRUE(RuleStore::save(rules, paths));
    EXPECT_EQ(inode(paths.blockIPs()), ips);
    EXPECT_NE(inode(paths.blockDomains()), domains);
}

TEST_F(RuleStoreTest, AMalformedRulesFileIsKeptAsideBeforeItIsReplaced) {
    const std::vector<std::string> malformed{"", "{", "\xff\xfe",
                                             R"({"rules":[],"blockNew":false,"baseline":[]})",
                                             std::string(100000, '[') + std::string(100000, ']')};
    for (const std::string& text : malformed) {
        fs::remove_all(paths.root);
        fs::create_directories(paths.root);
        std::ofstream(paths.rulesFile(), std::ios::binary) << text;
        RuleStore::Reading reading = RuleStore::read(paths);
        EXPECT_EQ(reading.rules, RuleSet{});
        EXPECT_TRUE(reading.problem) << text.substr(0, 40);
        EXPECT_EQ(readText(paths.rulesFile()), text) << "reading must not write";

        ASSERT_TRUE(RuleStore::save(sample(), paths));
        ASSERT_TRUE(RuleStore::save(sample(), paths));
        std::vector<std::string> kept;
        for (const auto& entry : fs::directory_iterator(paths.root))
            if (entry.path().filename().string().starts_with("rules.json.bad-"))
                kept.push_back(readText(entry.path()));
        EXPECT_EQ(kept, std::vector<std::string>{text}) << text.substr(0, 40);
        EXPECT_EQ(RuleStore::load(paths), sample());
    }
}

TEST_F(RuleStoreTest, AnUnreadableRulesFileIsNeverReplaced) {
    fs::create_directories(paths.rulesFile());
    std::ofstream(paths.rulesFile() + "/keep") << "x";
    EXPECT_TRUE(RuleStore::read(paths).problem);
    Result<void> saved = RuleStore::save(sample(), paths);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().message,
              "cannot read " + paths.rulesFile() + ": not a regular file; it is left in place");
    EXPECT_EQ(readText(paths.rulesFile() + "/keep"), "x");
    EXPECT_FALSE(fs::exists(paths.blockIPs()));
}

TEST_F(RuleStoreTest, FailuresStopTheSaveAndLeaveLaterFilesAsTheyWere) {
    std::ofstream(home.path() + "/file") << "x";
    Result<void> saved = RuleStore::save(sample(), Paths(home.path() + "/file"));
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().message.find("cannot create"), std::string::npos);

    ASSERT_TRUE(RuleStore::save(sample(), paths));
    RuleSet unencodable = sample();
    unencodable.set("bad\xff.com", std::nullopt, block, std::nullopt, created);
    saved = RuleStore::save(unencodable, paths);
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().message.find("cannot encode"), std::string::npos);
    EXPECT_EQ(RuleStore::load(paths), sample());
}

TEST_F(RuleStoreTest, AWriteFailingPartWayKeepsThePreviousFileIntact) {
    RuleSet before = sample();
    ASSERT_TRUE(RuleStore::save(before, paths));
    std::string domainsBefore = readText(paths.blockDomains());
    RuleSet after = before;
    after.blockAllListed = true;
    ListedDomains listed;
    for (int i = 0; i < 2000; ++i)
        listed.emplace("t" + std::to_string(i) + ".tracker.net", 'x');
    // The rules and address files fit the limit but the domain file fails part-way.
    EXPECT_TRUE(withFileSizeLimit(4096, [&] {
        Result<void> saved = RuleStore::save(after, paths, &listed);
        return !saved && saved.error().message.find("block_domains.txt") != std::string::npos;
    }));
    EXPECT_EQ(RuleStore::load(paths), after);
    EXPECT_EQ(readText(paths.blockDomains()), domainsBefore);
    EXPECT_EQ(std::distance(fs::directory_iterator(paths.helperDir()), {}), 3);

    ASSERT_TRUE(RuleStore::save(after, paths, &listed));
    EXPECT_EQ(readText(paths.blockDomains()), after.exportDomains(&listed));
}

TEST_F(RuleStoreTest, ADamagedRulesFileGivesTheLastSavedRulesFromTheirCopy) {
    ASSERT_TRUE(RuleStore::save(sample(), paths));
    std::ofstream(paths.rulesFile(), std::ios::binary) << "x";
    RuleStore::Reading reading = RuleStore::read(paths);
    EXPECT_TRUE(reading.problem);
    EXPECT_EQ(reading.rules, sample());
    EXPECT_EQ(reading.restoredFrom, RuleStore::backupFile(paths));

    std::ofstream(RuleStore::backupFile(paths), std::ios::binary) << "{";
    reading = RuleStore::read(paths);
    EXPECT_EQ(reading.rules, RuleSet{});
    EXPECT_EQ(reading.restoredFrom, std::nullopt);
}

TEST_F(RuleStoreTest, RulesAreBoundedInNumberAndTheFileInSize) {
    RuleSet rules;
    for (size_t i = 0; i < RuleSet::maxRules; ++i)
        rules.rules.push_back(Rule::make("host" + std::to_string(i) + ".example", std::nullopt,
                                         block, created, std::nullopt));
    EXPECT_TRUE(rules.roomFor({"host7.example", std::nullopt})) << "a rule kept may change";
    Result<void> added =
        RuleEdit{{"one-more.example", std::nullopt}, block}.applyTo(rules, created);
    ASSERT_FALSE(added);
    EXPECT_EQ(added.error().message,
              "there are already 10000 rules, the most kept; remove some first");
    EXPECT_EQ(rules.rules.size(), RuleSet::maxRules);

    rules.rules.push_back(rules.rules.front());
    EXPECT_THROW(nlohmann::json(rules).get<RuleSet>(), nlohmann::json::exception);

    ASSERT_TRUE(RuleStore::save(sample(), paths));
    fs::resize_file(paths.rulesFile(), 17 << 20);
    RuleStore::Reading reading = RuleStore::read(paths);
    EXPECT_EQ(reading.problem, "it is larger than 16 MiB");
    EXPECT_EQ(reading.rules, sample());
}

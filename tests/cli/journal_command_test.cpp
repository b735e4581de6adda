// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "base/dates.h"
#include "cli_run.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string day(int offset) {
    return Dates::localDay(std::chrono::system_clock::now(), offset);
}

nlohmann::json entry(int offset, const std::string& app, const std::string& dest, int hour) {
    nlohmann::json json = nlohmann::json::parse(
        R"({"ip":"192.0.2.7","port":443,"category":"analytics","bytesIn":1200,"bytesOut":3400})");
    json["day"] = day(offset);
    json["app"] = app;
    json["dest"] = dest;
    json["first"] = day(offset) + "T0" + std::to_string(hour) + ":00:00Z";
    json["last"] = day(offset) + "T0" + std::to_string(hour) + ":30:15Z";
    json["blocked"] = app == "curl";
    if (app == "Safari") json["company"] = "Example";
    return json;
}

// Day files relative to today, so the command's own clock places them; the offsets stay clear
// of the cut-offs tested even when the run crosses midnight.
class JournalCommandTest : public testing::Test {
  protected:
    TempDir home;
    std::string dir = home / "journal";

    void SetUp() override {
        fs::create_directories(dir);
        for (const auto& [offset, entries] : std::map<int, nlohmann::json>{
                 {0, {entry(0, "Safari", "example.com", 8), entry(0, "curl", "192.0.2.7", 9)}},
                 {-3, nlohmann::json::array(
                          {entry(-3, "Mail\n" + day(0) + " forged", "mail.example.net", 8)})},
                 {-20, nlohmann::json::array({entry(-20, "Old", "old.example.org", 8)})},
                 {-40, nlohmann::json::array({entry(-40, "Stale", "stale.example.org", 8)})}})
            ASSERT_TRUE(AtomicFile::write(dir + "/" + day(offset) + ".json", entries.dump()));
        ASSERT_TRUE(AtomicFile::write(dir + "/" + day(-1) + ".json", "[{broken"));
    }

    CliResult run(const std::string& arguments, const std::string& streams = "2>&1") {
        return runCli(arguments, streams, "TZ=UTC NATTERVANE_HOME='" + home.path() + "'");
    }
};

} // namespace

TEST_F(JournalCommandTest, PrintsTheLastWeekNewestFirstAndChangesNothing) {
    CliResult result = run("journal");
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_TRUE(AtomicFile::holds(dir + "/" + day(-1) + ".json", "[{broken"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 5);
    EXPECT_TRUE(has(result.out, "(3 entries)")) << result.out;
    // The time of the last observation, and sizes in SI units in the language asked for.
    std::string line = lineStarting(result.out, day(0) + " 08:30:15 Safari ");
    for (const char* part : {"example.com", "analytics", "Example", "1.2 kB", "3.4 kB", " no"})
        EXPECT_TRUE(has(line, part)) << part << " in " << result.out;
    CliResult russian = run("journal --lang ru");
    EXPECT_TRUE(has(russian.out, "(3 записи)")) << russian.out;
    line = lineStarting(russian.out, day(0) + " 08:30:15 Safari ");
    for (const char* part : {"Статистика", "1,2 кБ", "3,4 кБ", " нет"})
        EXPECT_TRUE(has(line, part)) << part << " in " << russian.out;
    EXPECT_TRUE(has(result.out, "\n" + day(0) + " 09:30:15 curl ") &&
                has(result.out, "\n" + day(-3) + " 08:30:15 Mail\\x0a" + day(0) + " forged "));
    // The name's line break forges no row.
    EXPECT_FALSE(has(result.out, "\n" + day(0) + " forged"));
    EXPECT_FALSE(has(russian.out, "DAY") || has(russian.out, "entries")) << russian.out;
    EXPECT_TRUE(
        has(result.out, "nattervane-cli: skipped " + dir + "/" + day(-1) + ".json cannot be used"))
        << result.out;
}

TEST_F(JournalCommandTest, JsonIsAnArrayOfEntriesWithinTheDaysAndAMissingJournalIsEmpty) {
    std::vector<std::string> apps;
    for (const auto& entry :
         nlohmann::json::parse(run("journal --json --days 30", "2>/dev/null").out))
        apps.push_back(entry.at("app"));
    EXPECT_EQ(apps,
              (std::vector<std::string>{"curl", "Safari", "Mail\n" + day(0) + " forged", "Old"}));
    fs::remove_all(dir);
    EXPECT_TRUE(has(run("journal").out, "(0 entries)"));
    EXPECT_EQ(run("journal --json").out, "[]\n");
    EXPECT_FALSE(fs::exists(dir));
}

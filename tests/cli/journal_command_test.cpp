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

// Day files relative to today, so the command's own clock places them; the offsets stay clear
// of the cut-offs tested even when the run crosses midnight.
class JournalCommandTest : public testing::Test {
  protected:
    TempDir home;
    std::string dir = home / "journal";

    void SetUp() override {
        fs::create_directories(dir);
        write(0, {entry(0, "Safari", "example.com", 8), entry(0, "curl", "192.0.2.7", 9)});
        write(-3, {entry(-3, "Mail", "mail.example.net", 8)});
        write(-20, {entry(-20, "Old", "old.example.org", 8)});
        write(-100, {entry(-100, "Stale", "stale.example.org", 8)});
        ASSERT_TRUE(AtomicFile::write(dir + "/" + day(-1) + ".json", "[{broken"));
    }

    static std::string day(int offset) {
        return Dates::localDay(std::chrono::system_clock::now(), offset);
    }
    static nlohmann::json entry(int offset, const std::string& app, const std::string& dest,
                                int hour) {
        std::string at = day(offset) + "T0" + std::to_string(hour) + ":00:00Z";
        nlohmann::json json = {{"day", day(offset)},
                               {"app", app},
                               {"dest", dest},
                               {"ip", "192.0.2.7"},
                               {"port", 443},
                               {"category", "analytics"},
                               {"first", at},
                               {"last", at},
                               {"bytesIn", 1200},
                               {"bytesOut", 3400},
                               {"blocked", app == "curl"}};
        if (app == "Safari") json["company"] = "Example";
        return json;
    }
    void write(int offset, const std::vector<nlohmann::json>& entries) {
        ASSERT_TRUE(
            AtomicFile::write(dir + "/" + day(offset) + ".json", nlohmann::json(entries).dump()));
    }
    CliResult run(const std::string& arguments, const std::string& streams = "2>&1") {
        return runCli(arguments, streams, "NATTERVANE_HOME='" + home.path() + "'");
    }

    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& file : fs::directory_iterator(dir))
            files[file.path().string()] = AtomicFile::read(file.path().string()).value_or("?");
        return files;
    }
};

std::vector<std::string> field(const nlohmann::json& entries, const char* key) {
    std::vector<std::string> values;
    for (const auto& entry : entries)
        values.push_back(entry.at(key).get<std::string>());
    return values;
}

} // namespace

TEST_F(JournalCommandTest, PrintsTheLastWeekNewestFirstAndChangesNothing) {
    auto before = snapshot();
    CliResult result = run("journal");
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(snapshot(), before);
    EXPECT_NE(result.out.find("(3 entries)"), std::string::npos) << result.out;
    size_t curl = result.out.find("\n" + day(0) + " curl ");
    size_t safari = result.out.find("\n" + day(0) + " Safari ");
    size_t mail = result.out.find("\n" + day(-3) + " Mail ");
    ASSERT_NE(mail, std::string::npos) << result.out;
    EXPECT_LT(curl, safari);
    EXPECT_LT(safari, mail);
    std::string line = result.out.substr(safari, result.out.find('\n', safari + 1) - safari);
    for (const char* part : {"example.com", "analytics", "Example", "1200", "3400", " no"})
        EXPECT_NE(line.find(part), std::string::npos) << part << " in " << line;
    EXPECT_EQ(result.out.find("Old"), std::string::npos);
    EXPECT_NE(
        result.out.find("nattervane-cli: skipped " + dir + "/" + day(-1) + ".json cannot be used"),
        std::string::npos)
        << result.out;
}

TEST_F(JournalCommandTest, JsonIsAnArrayOfEntriesWithinTheDays) {
    CliResult result = run("journal --json --days 30", "2>/dev/null");
    ASSERT_EQ(result.status, 0);
    nlohmann::json entries = nlohmann::json::parse(result.out);
    EXPECT_EQ(field(entries, "app"), (std::vector<std::string>{"curl", "Safari", "Mail", "Old"}));
    EXPECT_EQ(entries.at(1).at("company"), "Example");
    EXPECT_FALSE(entries.at(0).contains("company"));
    nlohmann::json today = nlohmann::json::parse(run("journal --days 1 --json", "2>/dev/null").out);
    EXPECT_EQ(field(today, "app"), (std::vector<std::string>{"curl", "Safari"}));
}

TEST_F(JournalCommandTest, AMissingJournalIsEmpty) {
    fs::remove_all(dir);
    CliResult result = run("journal");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("(0 entries)"), std::string::npos) << result.out;
    EXPECT_EQ(run("journal --json").out, "[]\n");
    EXPECT_FALSE(fs::exists(dir));
}

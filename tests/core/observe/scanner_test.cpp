// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "observe/scanner.h"
#include "ss_text.h"
#include "temp_dir.h"

using namespace std::chrono_literals;

namespace {

// A scanner over fake listers: scripts in a temporary directory that print fixed text.
class ScannerTest : public testing::Test {
  protected:
    void SetUp() override {
        options.listers = {{dir / "ss", {}, "ss", platform::ListerFormat::ss},
                           {dir / "lsof", {}, "lsof", platform::ListerFormat::lsof}};
        options.pidPath = [this](int32_t pid) {
            ++pidPathCalls;
            return found(paths, pid);
        };
        options.platform = &platform::linux();
        // Lookups may still run after a test ends, so they own what they read.
        options.lookups = {[names = names](const std::string& ip) { return found(*names, ip); },
                           [](const std::string&) { return std::vector<std::string>(); }};
    }

    template <typename Key>
    static std::optional<std::string> found(const std::map<Key, std::string>& map, Key key) {
        auto at = map.find(key);
        return at == map.end() ? std::nullopt : std::optional(at->second);
    }

    void lister(const char* name, const std::string& output) {
        std::string path = dir / name;
        std::ofstream(path + ".out") << output;
        std::ofstream(path) << "#!/bin/sh\ncat '" << path << ".out'\n";
        chmod(path.c_str(), 0755);
    }

    std::unique_ptr<Scanner> make(std::shared_ptr<const TrackerList> trackers = nullptr) {
        return std::make_unique<Scanner>(std::move(trackers), options);
    }

    TempDir dir;
    ScannerOptions options;
    std::map<int32_t, std::string> paths;
    std::shared_ptr<std::map<std::string, std::string>> names =
        std::make_shared<std::map<std::string, std::string>>();
    std::atomic<int> pidPathCalls{0};
};

} // namespace

// Duplicates keep the first flow's counters.
TEST_F(ScannerTest, KeepsInternetFlowsUnlessLocalOnesAreAsked) {
    lister("ss", ssLine(1, "app", "192.168.1.1:80") + ssLine(1, "app", "[ff02::fb]:5353") +
                     ssLine(1, "app", "203.0.113.7:443", "tcp", 10) +
                     ssLine(1, "app", "203.0.113.7:443", "tcp", 99) +
                     ssLine(1, "app", "203.0.113.7:443", "udp", 5));
    auto scanner = make();
    std::vector<Connection> internet = scanner->scan(false);
    ASSERT_EQ(internet.size(), 2u);
    EXPECT_EQ(internet[0].id(), "1|203.0.113.7|443|tcp");
    EXPECT_EQ(internet[0].bytesIn, 10);
    EXPECT_EQ(internet[1].proto, "udp");
    std::vector<Connection> all = scanner->scan(true);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].verdict.category, Category::local);
    EXPECT_EQ(all[1].verdict.category, Category::local);
}

// A system program's plain destinations (cloud, CDN, unknown) stay the system's, still named for
// their owner; trackers and the organisation table's other categories are told as they are.
TEST_F(ScannerTest, SystemProgramsOwnTheirPlainDestinations) {
    paths[7] = "/usr/sbin/daemon";
    *names = {{"198.51.100.9", "beacon.tracker.example"},
              {"203.0.113.8", "api.vendor.example"},
              {"203.0.113.9", "stats.vendor.example"}};
    std::string text;
    for (const char* ip :
         {"203.0.113.6", "198.51.100.9", "151.101.1.1", "203.0.113.8", "203.0.113.9"})
        text += ssLine(7, "daemon", ip + std::string(":443"));
    lister("ss", text + ssLine(8, "app", "151.101.1.1:443"));
    auto scanner = make(std::make_shared<TrackerList>("p tracker.example\n"));
    scanner->setOrgTable(std::make_shared<OrgTable>("vendor.example\tservice\tVendor\n"
                                                    "stats.vendor.example\ttelemetry\tVendor\n"));
    // Host names arrive in a later scan.
    EXPECT_EQ(scanner->scan(false).at(1).host, std::nullopt);
    ASSERT_TRUE(scanner->resolver().waitIdle(5s));
    std::vector<Connection> connections = scanner->scan(false);
    std::vector<Verdict> verdicts;
    for (const Connection& connection : connections)
        verdicts.push_back(connection.verdict);
    EXPECT_EQ(verdicts, (std::vector<Verdict>{{Category::system, std::nullopt, std::nullopt},
                                              {Category::tracker, std::nullopt, "tracker.example"},
                                              {Category::system, "Fastly", std::nullopt},
                                              {Category::service, "Vendor", std::nullopt},
                                              {Category::telemetry, "Vendor", std::nullopt},
                                              {Category::cdn, "Fastly", std::nullopt}}));
    ASSERT_EQ(connections.size(), 6u);
    EXPECT_EQ(connections[1].dest(), "beacon.tracker.example");
    EXPECT_TRUE(connections[2].app.isSystem);
}

TEST_F(ScannerTest, FallsBackToLsofWhileThePrimaryListerGivesNothing) {
    lister("lsof", "p5\ncsyncd\nPTCP\nn10.0.0.2:5->203.0.113.7:443\n");
    auto scanner = make();
    EXPECT_EQ(scanner->source(), "ss");
    EXPECT_EQ(scanner->scan(false).size(), 1u);
    EXPECT_EQ(scanner->source(), "lsof");
    lister("ss", ssLine(5, "syncd", "203.0.113.7:443", "tcp", 42));
    EXPECT_EQ(scanner->scan(false).at(0).bytesIn, 42);
    EXPECT_EQ(scanner->source(), "ss");
    std::filesystem::remove(dir / "ss");
    std::filesystem::remove(dir / "lsof");
    EXPECT_TRUE(scanner->scan(false).empty());
    EXPECT_EQ(scanner->source(), "lsof");
    EXPECT_EQ(scanner->listerProblems().size(), 2u);
}

// Identities are kept per process name, and made again in a new language.
TEST_F(ScannerTest, IdentitiesAreCachedPerProcessNameInTheScannersLanguage) {
    paths[9] = "/opt/first/tool";
    lister("ss", ssLine(9, "tool", "203.0.113.7:443"));
    options.lang = Lang::ru;
    auto scanner = make();
    scanner->scan(false);
    EXPECT_EQ(scanner->scan(false).at(0).app.name, "tool");
    EXPECT_EQ(pidPathCalls, 1);
    // The process id now belongs to another program.
    paths[9] = "/opt/second/other";
    lister("ss", ssLine(9, "other", "203.0.113.7:443"));
    EXPECT_EQ(scanner->scan(false).at(0).app.name, "other");
    EXPECT_EQ(pidPathCalls, 2);
    paths[5] = "/usr/sbin/chronyd";
    lister("ss", ssLine(5, "chronyd", "203.0.113.7:123", "udp"));
    EXPECT_EQ(scanner->scan(false).at(0).app.name, "Сверка часов");
    scanner->setLang(Lang::en);
    EXPECT_EQ(scanner->scan(false).at(0).app.name, "Clock sync");
}

// What is absent is left out, and reads back absent.
TEST(Connection, JsonReadsBack) {
    Connection connection{4711,
                          {"node"},
                          "tcp",
                          "203.0.113.7",
                          443,
                          std::nullopt,
                          {Category::cdn, "Fastly", std::nullopt},
                          5,
                          6};
    nlohmann::json encoded = connection;
    EXPECT_FALSE(encoded.contains("host") || encoded.contains("incoming") ||
                 encoded.at("app").contains("bundlePath"));
    EXPECT_EQ(encoded.get<Connection>(), connection);
    connection.host = "h.example";
    connection.incoming = true;
    connection.app = {"Editor", "/A/Editor.app", "/A/Editor.app/x", true};
    EXPECT_EQ(nlohmann::json(connection).get<Connection>(), connection);
}

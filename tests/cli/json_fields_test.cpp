// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <filesystem>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "base/dates.h"
#include "cli_run.h"
#include "loopback_connection.h"
#include "private_network.h"
#include "temp_dir.h"

namespace {

using nlohmann::json;

// The record of `list` for the connection to `port`; null when there is none.
json recordFor(const json& list, int64_t port) {
    for (const json& record : list)
        if (record.value("port", int64_t{-1}) == port) return record;
    return nullptr;
}

// The names every command shares, with the same meaning in each.
void expectSharedNames(const std::string& command, const json& record, int64_t port,
                       const std::string& dest) {
    SCOPED_TRACE(command + ": " + record.dump());
    ASSERT_TRUE(record.is_object());
    EXPECT_EQ(record.at("program"), "cli_tests");
    EXPECT_EQ(record.at("ip"), "127.0.0.1");
    EXPECT_EQ(record.at("port"), port);
    EXPECT_EQ(record.at("dest"), dest);
    EXPECT_TRUE(record.at("bytesIn").is_number_integer() &&
                record.at("bytesOut").is_number_integer());
}

} // namespace

// Scan, watch, flows and the journal, about one loopback connection, agree on what each name
// holds; the names they replace still hold the same.
TEST(JsonFields, EveryCommandNamesTheSameThingsAlike) {
    auto output = inPrivateNetwork([] {
        LoopbackConnection connection;
        json runs = {{"pid", getpid()}, {"port", connection.port()}};
        runs["scan"] = json::parse(runCli("scan --local --json --wait 0.2", "2>/dev/null").out);
        runs["flows"] = json::parse(runCli("flows --json", "2>/dev/null").out);
        runs["watch"] = json::array();
        std::string lines = runCli("watch --local --json --count 2", "2>/dev/null").out;
        for (size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1)
            runs["watch"].push_back(json::parse(lines.substr(at, end - at)));
        return runs.dump();
    });
    if (!output) GTEST_SKIP() << "needs root for a private network namespace";
    const json runs = json::parse(*output);
    const int64_t port = runs.at("port");
    for (const char* command : {"scan", "watch"}) {
        const json record = recordFor(runs.at(command), port);
        expectSharedNames(command, record, port, record.value("host", "127.0.0.1"));
        EXPECT_EQ(record.at("pid"), runs.at("pid"));
        EXPECT_EQ(record.at("app").at("name"), "cli_tests");
    }
    const json flow = recordFor(runs.at("flows"), port);
    expectSharedNames("flows", flow, port, "127.0.0.1");
    EXPECT_EQ(flow.at("pid"), runs.at("pid"));
    EXPECT_EQ(flow.at("remoteIP"), "127.0.0.1");
    EXPECT_EQ(flow.at("remotePort"), port);

    TempDir home;
    const std::string day = Dates::localDay(std::chrono::system_clock::now(), 0);
    json entry = json::parse(R"({"app":"cli_tests","dest":"localhost","ip":"127.0.0.1",
        "category":"local","bytesIn":10,"bytesOut":20,"blocked":false})");
    entry["day"] = day;
    entry["port"] = port;
    entry["first"] = entry["last"] = day + "T08:00:00Z";
    std::filesystem::create_directories(home / "journal");
    ASSERT_TRUE(
        AtomicFile::write(home / ("journal/" + day + ".json"), json::array({entry}).dump()));
    const json journal = json::parse(
        runCli("journal --json", "2>/dev/null", "NATTERVANE_HOME='" + home.path() + "'").out);
    expectSharedNames("journal", recordFor(journal, port), port, "localhost");
    EXPECT_EQ(recordFor(journal, port).at("app"), "cli_tests");
}

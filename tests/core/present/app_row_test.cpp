// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "present/app_row.h"

namespace {

Connection conn(const std::string& app, const std::string& ip, Category category,
                int64_t bytesOut = 0, std::optional<std::string> host = std::nullopt) {
    return {.app = {.name = app},
            .proto = "tcp",
            .ip = ip,
            .host = std::move(host),
            .verdict = {category, std::nullopt, std::nullopt},
            .bytesOut = bytesOut};
}

std::vector<std::string> names(const std::vector<AppRow>& rows) {
    std::vector<std::string> result;
    for (const AppRow& row : rows)
        result.push_back(row.name);
    return result;
}

} // namespace

TEST(AppRow, ConnectionsWorstFirstThenMoreBytesThenScanOrder) {
    Connection first = conn("a", "203.0.113.1", Category::cloud, 5);
    first.app.bundlePath = "/Applications/A.app";
    first.app.isSystem = true;
    std::vector<Connection> group{first, conn("a", "203.0.113.2", Category::ads, 1),
                                  conn("a", "203.0.113.3", Category::cloud, 9),
                                  conn("a", "203.0.113.4", Category::cloud, 5)};
    AppRow row = AppRow::from(group);
    EXPECT_EQ(row.bundlePath, "/Applications/A.app");
    EXPECT_TRUE(row.isSystem);
    ASSERT_EQ(row.conns.size(), 4u);
    EXPECT_EQ(row.conns[0].ip, "203.0.113.2");
    EXPECT_EQ(row.conns[1].ip, "203.0.113.3");
    EXPECT_EQ(row.conns[2].ip, "203.0.113.1");
    EXPECT_EQ(row.conns[3].ip, "203.0.113.4");
    EXPECT_EQ(row.worst, Category::ads);
    EXPECT_EQ(row.bytesOut, 20);
    EXPECT_EQ(AppRow::from({}).worst, Category::unknown);
}

TEST(AppRow, TrackerCountCountsDistinctTrackingDestinations) {
    AppRow sameHost =
        AppRow::from({conn("a", "198.51.100.1", Category::tracker, 0, "t.example"),
                      conn("a", "198.51.100.2", Category::tracker, 0, "t.example"),
                      conn("a", "198.51.100.3", Category::cloud, 0, "cloud.example")});
    EXPECT_EQ(sameHost.trackerCount, 1);
    AppRow hostAndAddress =
        AppRow::from({conn("a", "198.51.100.1", Category::tracker, 0, "t.example"),
                      conn("a", "198.51.100.9", Category::telemetry)});
    EXPECT_EQ(hostAndAddress.trackerCount, 2);
    Connection accepted = conn("a", "198.51.100.5", Category::ads);
    accepted.incoming = true;
    EXPECT_EQ(AppRow::from({accepted}).trackerCount, 0) << "a connection it accepted";
    // What it reaches comes first, so a destination both ways is offered with its rules.
    AppRow both = AppRow::from({accepted, conn("a", "198.51.100.5", Category::cloud)});
    EXPECT_FALSE(both.conns.front().incoming);
}

TEST(AppRow, RowsByTrackersThenWorstThenConnectionCount) {
    std::vector<Connection> scan{
        conn("few", "203.0.113.1", Category::ads),
        conn("many", "203.0.113.2", Category::ads),
        conn("many", "203.0.113.3", Category::cdn),
        conn("tracked", "198.51.100.1", Category::analytics, 0, "a.example"),
        conn("tracked", "198.51.100.2", Category::telemetry, 0, "b.example"),
        conn("plain", "203.0.113.4", Category::unknown),
        conn("local", "192.168.1.2", Category::local)};
    std::vector<AppRow> rows = AppRow::rows(scan);
    EXPECT_EQ(names(rows), (std::vector<std::string>{"tracked", "many", "few", "plain", "local"}));
    EXPECT_EQ(rows[1].conns.size(), 2u);
    EXPECT_TRUE(AppRow::rows({}).empty());
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "journal_stand_in.h"
#include "present/journal_export.h"
#include "temp_dir.h"

using namespace std::chrono_literals;

TEST(JournalExport, WritesNothingWhileOffThenOneRecordPerMeaningfulChange) {
    TempDir dir;
    JournalStandIn journald(dir / "socket");
    ASSERT_TRUE(journald.bound());
    JournalExport exporter(dir / "socket", "ana");
    Connection connection;
    connection.app.name = "evil\nPRIORITY=0";
    connection.app.exePath = std::string(5000, 'x');
    connection.ip = "192.0.2.7";
    connection.port = 443;
    connection.host = "t.example";
    connection.verdict = {Category::ads, "Example Ads", "example"};
    JournalEntry entry;
    entry.day = "2026-12-10";
    entry.app = connection.app.name;
    entry.dest = "t.example";
    const Dates::TimePoint at{};
    auto seen = [&](int64_t bytesIn, Dates::TimePoint when, bool blocked = false) {
        entry.bytesIn = bytesIn;
        entry.blocked = blocked;
        exporter.entry(connection, entry, Lang::en, platform::Wording::linux, when);
        return journald.records().size();
    };
    EXPECT_EQ(seen(10, at), 0u);
    RuleSet rules;
    rules.rules.push_back(Rule::make("t.example", "x", RuleAction::block, {}, std::nullopt));
    exporter.rules({}, rules, Lang::en);
    EXPECT_EQ(journald.records().size(), 0u);

    exporter.setOn(true);
    entry.bytesIn = 10;
    exporter.entry(connection, entry, Lang::ru, platform::Wording::linux, at);
    std::vector<JournalStandIn::Fields> records = journald.records();
    ASSERT_EQ(records.size(), 1u);
    JournalStandIn::Fields& record = records[0];
    EXPECT_FALSE(record.contains("!malformed"));
    EXPECT_EQ(record["MESSAGE_ID"], JournalExport::connectionId);
    EXPECT_EQ(record["PRIORITY"], "6");
    EXPECT_EQ(record["SYSLOG_IDENTIFIER"], "nattervane");
    // A name with a newline stays one value and forges no field; a long path is cut.
    EXPECT_EQ(record["NATTERVANE_PROGRAM"], connection.app.name);
    EXPECT_EQ(record["NATTERVANE_EXECUTABLE"].size(), JournalSocket::maxValue);
    EXPECT_NE(record["MESSAGE"].find("\u0440"), std::string::npos) << record["MESSAGE"];
    const JournalStandIn::Fields expected{{"NATTERVANE_USER", "ana"},
                                          {"NATTERVANE_HOST", "t.example"},
                                          {"NATTERVANE_ADDRESS", "192.0.2.7"},
                                          {"NATTERVANE_PORT", "443"},
                                          {"NATTERVANE_DIRECTION", "outgoing"},
                                          {"NATTERVANE_CATEGORY", "ads"},
                                          {"NATTERVANE_COMPANY", "Example Ads"},
                                          {"NATTERVANE_LISTED_DOMAIN", "example"},
                                          {"NATTERVANE_BYTES_IN", "10"},
                                          {"NATTERVANE_BYTES_OUT", "0"},
                                          {"NATTERVANE_BLOCKED", "no"}};
    for (const auto& [name, value] : expected)
        EXPECT_EQ(record[name], value) << name;

    // Small growth within the hour: nothing; doubled by 64 KiB, blocked, or an hour on: one each.
    EXPECT_EQ(seen(60 * 1024, at + 1min), 0u);
    EXPECT_EQ(seen(200 * 1024, at + 2min), 1u);
    EXPECT_EQ(seen(200 * 1024, at + 3min, true), 1u);
    EXPECT_EQ(seen(200 * 1024, at + 3h, true), 0u);
    EXPECT_EQ(seen(201 * 1024, at + 3h, true), 1u);

    exporter.rules({}, rules, Lang::en);
    exporter.rules(rules, rules, Lang::en);
    exporter.rules(rules, {}, Lang::en);
    records = journald.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["MESSAGE_ID"], JournalExport::ruleId);
    EXPECT_EQ(records[0]["NATTERVANE_ACTION"], "block");
    EXPECT_EQ(records[1]["NATTERVANE_ACTION"], "removed");
    EXPECT_EQ(exporter.refused(), 0u);
}

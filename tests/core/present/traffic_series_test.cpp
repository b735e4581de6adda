// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "present/traffic_series.h"
#include "scoped_env.h"

using namespace std::chrono;
using TrafficSeries::Bar;
using TrafficSeries::Subject;

namespace {

Dates::TimePoint utc(int d, int h, int mi, int s = 0) {
    return sys_days{year{2026} / December / day{static_cast<unsigned>(d)}} + hours{h} +
           minutes{mi} + seconds{s};
}

JournalEntry entry(std::string day, std::string app, std::string dest, int64_t in, int64_t out,
                   std::vector<JournalEntry::Hour> hours = {}) {
    JournalEntry made;
    made.day = std::move(day);
    made.app = std::move(app);
    made.dest = std::move(dest);
    made.bytesIn = in;
    made.bytesOut = out;
    made.hours = std::move(hours);
    return made;
}

Journal::Entries entries(std::initializer_list<JournalEntry> list) {
    Journal::Entries all;
    for (const JournalEntry& each : list)
        all.emplace(each.id(), each);
    return all;
}

// The bars' inward counts, and which came partly from the journal.
std::vector<int64_t> ins(const std::vector<Bar>& bars) {
    std::vector<int64_t> counts;
    for (const Bar& bar : bars)
        counts.push_back(bar.fromJournal ? -bar.in : bar.in);
    return counts;
}

class TrafficSeriesTest : public testing::Test {
  protected:
    // Three hours east of UTC: local days and hours differ from UTC's.
    ScopedEnv zone{"TZ", "XYZ-3"};
    const Subject firefox{Subject::Kind::program, "firefox"};
    const Subject example{Subject::Kind::destination, "example.com"};
};

} // namespace

// One bar a day for the last seven local days, oldest first: a day without an entry is zeros, a
// day file without hours counts by its totals, a destination sums every program's entries.
TEST_F(TrafficSeriesTest, LastDaysSumTheEntriesOfEachDay) {
    const Journal::Entries journal = entries({
        entry("2026-12-10", "firefox", "example.com", 300, 30, {{9, 300, 30}}),
        entry("2026-12-10", "firefox", "other.example", 5, 6, {{9, 5, 6}}),
        entry("2026-12-10", "curl", "example.com", 1000, 10, {{10, 1000, 10}}),
        entry("2026-12-07", "firefox", "example.com", 7, 8),
        entry("2026-12-03", "firefox", "example.com", 99, 99),
    });
    const std::vector<Bar> days = TrafficSeries::lastDays(journal, firefox, utc(10, 12, 0));
    EXPECT_EQ(days, (std::vector<Bar>{{"2026-12-04"},
                                      {"2026-12-05"},
                                      {"2026-12-06"},
                                      {"2026-12-07", 7, 8},
                                      {"2026-12-08"},
                                      {"2026-12-09"},
                                      {"2026-12-10", 305, 36}}));
    EXPECT_EQ(TrafficSeries::lastDays(journal, example, utc(10, 12, 0)).back(),
              (Bar{"2026-12-10", 1300, 40}));
    // 21:30 UTC is already the next local day.
    EXPECT_EQ(TrafficSeries::lastDays(journal, firefox, utc(10, 21, 30)).front().when,
              "2026-12-05");
}

// Twelve five-minute slots up to the one of now, labelled by their local start, across local
// midnight; a slot without traffic is zeros, what is older than the hour or to come is left out.
TEST_F(TrafficSeriesTest, TheLastHourIsTwelveSlotsOfTheHistory) {
    TrafficHistory history(utc(9, 18, 0));
    history.add("firefox", "example.com", 10, 1, utc(9, 20, 16));
    history.add("firefox", "example.com", 20, 2, utc(9, 20, 19, 59));
    history.add("curl", "example.com", 400, 4, utc(9, 20, 40));
    history.add("firefox", "other.example", 3, 3, utc(9, 21, 5));
    history.add("firefox", "example.com", 0, 0, utc(9, 21, 9));
    const std::vector<Bar> bars = TrafficSeries::lastHour(history, {}, firefox, utc(9, 21, 9));
    ASSERT_EQ(bars.size(), 12u);
    EXPECT_EQ(std::tuple(bars.front().when, bars.back().when), std::tuple("23:10", "00:05"));
    EXPECT_EQ(ins(bars), (std::vector<int64_t>{0, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3}));
    EXPECT_EQ(bars[1].out, 3);
    EXPECT_EQ(ins(TrafficSeries::lastHour(history, {}, example, utc(9, 21, 9))),
              (std::vector<int64_t>{0, 30, 0, 0, 0, 0, 400, 0, 0, 0, 0, 0}));
    // An hour on, the first slots have left the history.
    history.add("firefox", "example.com", 1, 1, utc(9, 22, 2));
    EXPECT_EQ(history.bySlot().size(), 2u);
}

// After a start at 10:22:30 local, what the journal's hours hold beyond the history is spread
// over the stretch of each hour before the start, and those slots are marked.
TEST_F(TrafficSeriesTest, BeforeTheStartTheJournalsHoursAreSpreadOverTheirSlots) {
    TrafficHistory history(utc(10, 7, 22, 30));
    history.add("firefox", "example.com", 100, 0, utc(10, 7, 25));
    const Journal::Entries journal = entries({
        entry("2026-12-10", "firefox", "example.com", 1700, 0, {{9, 1200, 0}, {10, 500, 0}}),
        entry("2026-12-10", "curl", "example.com", 60, 0, {{9, 60, 0}}),
    });
    const std::vector<Bar> bars =
        TrafficSeries::lastHour(history, journal, firefox, utc(10, 7, 37));
    EXPECT_EQ(bars.front().when, "09:40");
    // Hour 9: 1200 over its twelve slots. Hour 10: the 400 not in the history over 22.5 minutes.
    EXPECT_EQ(ins(bars),
              (std::vector<int64_t>{-100, -100, -100, -100, -88, -88, -88, -88, -44, 100, 0, 0}));
    EXPECT_EQ(ins(TrafficSeries::lastHour(history, journal, example, utc(10, 7, 37)))[0], -105);
}

// A clock set back starts the history anew; a time before the history's start, or slots left
// ahead of now, never reach outside the bars.
TEST_F(TrafficSeriesTest, AClockSetBackStartsTheHistoryAnew) {
    TrafficHistory history(utc(10, 7, 0));
    history.add("firefox", "example.com", 50, 5, utc(10, 7, 30));
    const Journal::Entries journal = entries(
        {entry("2026-12-10", "firefox", "example.com", 240, 0, {{8, 120, 0}, {9, 120, 0}})});
    const std::vector<Bar> before =
        TrafficSeries::lastHour(history, journal, firefox, utc(10, 6, 2));
    EXPECT_EQ(ins(before),
              (std::vector<int64_t>{-10, -10, -10, -10, -10, -10, -10, -10, -10, -10, -10, -10}));
    history.add("firefox", "example.com", 7, 0, utc(10, 6, 3));
    EXPECT_EQ(history.since(), utc(10, 6, 3));
    EXPECT_EQ(history.bySlot().size(), 1u);
    EXPECT_EQ(TrafficSeries::lastHour(history, {}, firefox, utc(10, 6, 4)).back(),
              (Bar{"09:00", 7, 0}));
}

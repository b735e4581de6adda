// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "fixture.h"
#include "read_text.h"
#include "scoped_env.h"
#include "store/journal.h"
#include "temp_dir.h"

namespace fs = std::filesystem;
using namespace std::chrono;
using namespace std::string_literals;

namespace {

Dates::TimePoint utc(int y, unsigned m, unsigned d, int h = 12, int mi = 0, int s = 0) {
    return sys_days{year{y} / month{m} / day{d}} + hours{h} + minutes{mi} + seconds{s};
}

const Verdict tracker{Category::tracker, "Example Analytics", std::nullopt};

std::string entryJson(const std::string& day) {
    return R"({"day":")" + day +
           R"(","app":"Safari","dest":"example.com","ip":"192.0.2.1","port":443,)"
           R"("category":"cdn","first":")" +
           day + R"(T10:00:00Z","last":")" + day +
           R"(T11:00:00Z","bytesIn":10,"bytesOut":20,"blocked":false})";
}

class JournalTest : public testing::Test {
  protected:
    // Three hours east of UTC, so local and UTC days differ in the evening.
    ScopedEnv zone{"TZ", "XYZ-3"};
    TempDir root;
    std::string dir = root / "journal";
    Dates::TimePoint now = utc(2026, 3, 9);

    Journal journal() {
        return Journal(dir, 7, [this] { return now; });
    }
    void put(const std::string& name, const std::string& text) {
        fs::create_directories(dir);
        ASSERT_TRUE(AtomicFile::write(dir + "/" + name, text));
    }
    void putDay(const std::string& day) { put(day + ".json", "[" + entryJson(day) + "]"); }
    static void add(Journal& j, Dates::TimePoint at) {
        j.record("App", "host", "192.0.2.1", 1, {}, 0, 0, false, at);
    }
    std::string contents(const std::string& name) const { return readText(dir + "/" + name); }
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> found;
        for (const auto& file : fs::directory_iterator(dir))
            found[file.path().filename().string()] = contents(file.path().filename().string());
        return found;
    }
};

} // namespace

// A connection is recorded under the destination shown: its host name, else its address. The
// bytes of each observation add up in its local hour (three hours east of UTC).
TEST_F(JournalTest, AddsObservationsByHourAndStaysBlockedOnceBlocked) {
    Journal j = journal();
    Dates::TimePoint t1 = utc(2026, 3, 9, 8), t2 = utc(2026, 3, 9, 9);
    EXPECT_TRUE(j.record({1, {"Safari"}, "tcp", "192.0.2.1", 443, "example.com", tracker, 100, 50},
                         true, t1)
                    .created);
    EXPECT_FALSE(j.record("Safari", "example.com", "192.0.2.9", 80, {}, 80, 70, false, t1));
    EXPECT_FALSE(j.record("Safari", "example.com", "192.0.2.9", 80, {}, 5, 0, false, t2));
    EXPECT_EQ(j.record({1, {"Safari"}, "tcp", "192.0.2.9", 443, {}, {}, 100, 7}, false, t2),
              (Journal::Recorded{true, {100, 7}}));
    ASSERT_EQ(j.entries().size(), 2u);
    JournalEntry named{
        "2026-03-09", "Safari", "example.com", "192.0.2.1", 443, Category::tracker, tracker.company,
        t1,           t2,       185,           120,         true};
    named.hours = {{11, 180, 120}, {12, 5, 0}};
    auto byAddress =
        JournalEntry{"2026-03-09", "Safari", "192.0.2.9", "192.0.2.9", 443, Category::unknown,
                     std::nullopt, t2,       t2,          100,         7,   false};
    byAddress.hours = {{12, 100, 7}};
    EXPECT_EQ(j.entries(), (Journal::Entries{{named.id(), named}, {byAddress.id(), byAddress}}));
}

// A connection's cumulative counters count once: the first observation whole, later ones by
// what they grew, a counter that went down (a new socket under the same id) whole again, and
// one not seen for long, forgotten at a save, whole again too.
TEST_F(JournalTest, CountsWhatTheCountersMovedSinceTheLastObservation) {
    Journal j = journal();
    Connection c{7, {"curl"}, "tcp", "192.0.2.1", 443, {}, {}, 100, 10};
    const std::vector<std::tuple<int64_t, int64_t, minutes, CounterDeltas::Delta>> scans{
        {100, 10, minutes(0), {100, 10}}, {250, 10, minutes(1), {150, 0}},
        {40, 30, minutes(2), {40, 20}},   {40, 30, minutes(3), {0, 0}},
        {60, 30, minutes(15), {60, 30}},
    };
    for (const auto& [in, out, after, bytes] : scans) {
        c.bytesIn = in;
        c.bytesOut = out;
        now = utc(2026, 3, 9, 8, 50) + after;
        ASSERT_TRUE(j.save());
        EXPECT_EQ(j.record(c, false, now).bytes, bytes) << after.count();
    }
    EXPECT_EQ(j.entries().begin()->second.hours,
              (std::vector<JournalEntry::Hour>{{11, 290, 30}, {12, 60, 30}}));
}

// A day file written before hours were kept reads as it is; what is recorded into its entries
// later adds to their counts and starts their hours.
TEST_F(JournalTest, ADayFileWithoutHoursReadsAsItIsAndGainsHours) {
    putDay("2026-03-09");
    Journal j = journal();
    const JournalEntry& old = j.entries().at("2026-03-09|Safari|example.com");
    EXPECT_EQ(std::tuple(old.bytesIn, old.bytesOut, old.hours.size()), std::tuple(10, 20, 0u));
    j.record("Safari", "example.com", "192.0.2.1", 443, {}, 5, 1, false, now);
    ASSERT_TRUE(j.save());
    const JournalEntry reloaded = journal().entries().at("2026-03-09|Safari|example.com");
    EXPECT_EQ(std::tuple(reloaded.bytesIn, reloaded.bytesOut, reloaded.hours),
              std::tuple(15, 21, std::vector<JournalEntry::Hour>{{15, 5, 1}}));
}

// A connection first seen by its address and then by the name that arrived for it is one entry,
// under the name; one already there for the name takes in what the address's entry held.
TEST_F(JournalTest, AnEntryByAddressTakesTheNameThatArrivesLater) {
    Journal j = journal();
    Dates::TimePoint t1 = utc(2026, 3, 9, 8), t2 = utc(2026, 3, 9, 9);
    auto curl = [](const char* ip, std::optional<std::string> host, Verdict verdict, int64_t in,
                   int64_t out) {
        return Connection{1, {"curl"}, "tcp", ip, 443, std::move(host), verdict, in, out};
    };
    j.record(curl("203.0.113.15", {}, {}, 10, 20), true, t1);
    // The counter that went down counts whole.
    EXPECT_FALSE(j.record(curl("203.0.113.15", "ads.example", tracker, 5, 30), false, t2).created);
    JournalEntry named{"2026-03-09",
                       "curl",
                       "ads.example",
                       "203.0.113.15",
                       443,
                       Category::tracker,
                       tracker.company,
                       t1,
                       t2,
                       15,
                       30,
                       true};
    named.hours = {{11, 10, 20}, {12, 5, 10}};
    EXPECT_EQ(j.entries(), (Journal::Entries{{named.id(), named}}));
    j.record(curl("203.0.113.16", {}, {}, 99, 0), false, t1);
    // One the program accepted leaves the entry by address as it is.
    Connection accepted = curl("203.0.113.16", "ads.example", tracker, 0, 0);
    accepted.incoming = true;
    j.record(accepted, false, t2);
    EXPECT_TRUE(j.entries().contains("2026-03-09|curl|203.0.113.16"));
    j.record(curl("203.0.113.16", "ads.example", tracker, 0, 0), false, t2);
    // The entry of the name adds what each of its connections moved.
    ASSERT_EQ(j.entries().size(), 1u);
    EXPECT_EQ(j.entries().begin()->second.bytesIn, 15 + 99);
    EXPECT_FALSE(j.entries().begin()->second.incoming);
    ASSERT_TRUE(j.save());
    EXPECT_EQ(nlohmann::json::parse(contents("2026-03-09.json")).size(), 1u);
}

// An entry is incoming while every observation of it was a connection made to the program; the
// flag is written only when set.
TEST_F(JournalTest, AnEntryIsIncomingWhileEveryObservationWas) {
    Journal j = journal();
    Connection accepted{1, {"sshd"}, "tcp", "203.0.113.5", 50000, {}, {}, 0, 0, true};
    j.record(accepted, false, now);
    ASSERT_TRUE(j.save());
    EXPECT_TRUE(nlohmann::json::parse(contents("2026-03-09.json"))[0].at("incoming"));
    EXPECT_TRUE(journal().entries().at("2026-03-09|sshd|203.0.113.5").incoming);
    EXPECT_FALSE(j.recorded("sshd", "203.0.113.5", now)) << "it has not reached it yet";
    accepted.incoming = false;
    j.record(accepted, false, now);
    EXPECT_TRUE(j.recorded("sshd", "203.0.113.5", now));
    ASSERT_TRUE(j.save());
    EXPECT_FALSE(nlohmann::json::parse(contents("2026-03-09.json"))[0].contains("incoming"));
}

// Days are local: 23:59:59 and 00:00:00.750 local time are both on 2026-03-08 in UTC.
TEST_F(JournalTest, SavesLocalDaysWithWholeSecondsInUtcAndLeavesOutAnAbsentCompany) {
    Journal j = journal();
    add(j, utc(2026, 3, 8, 20, 59, 59));
    j.record("Safari", "example.com", "2001:db8::1", 443, Verdict{Category::cdn, {}, {}}, 5, 6,
             true, utc(2026, 3, 8, 21) + milliseconds{750});
    ASSERT_TRUE(j.save());
    EXPECT_EQ(files().size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(contents("2026-03-09.json")),
              nlohmann::json::parse(R"([{"day":"2026-03-09","app":"Safari",
        "dest":"example.com","ip":"2001:db8::1","port":443,"category":"cdn",
        "first":"2026-03-08T21:00:00Z","last":"2026-03-08T21:00:00Z","bytesIn":5,"bytesOut":6,
        "hours":[[0,5,6]],"blocked":true}])"));
    EXPECT_EQ(journal().entries().at("2026-03-09|Safari|example.com").first, utc(2026, 3, 8, 21));
}

TEST_F(JournalTest, KeepsTodayAndTheSixDaysBefore) {
    putDay("2026-03-02");
    putDay("2026-03-03");
    put("notes.json", "[]");
    put("2026-01-01.txt", "not a day file");
    Journal j = journal();
    EXPECT_EQ(j.entries().size(), 1u);
    EXPECT_EQ(files().size(), 3u);
    add(j, utc(2026, 3, 2));
    now = utc(2026, 3, 10);
    ASSERT_TRUE(j.save());
    // Saving writes 2026-03-02 and 2026-03-03; its own prune then removes both.
    EXPECT_TRUE(j.entries().empty());
    EXPECT_EQ(files(), (std::map<std::string, std::string>{{"notes.json", "[]"},
                                                           {"2026-01-01.txt", "not a day file"}}));
}

// The clock is checked against the uptime of this start of the system before days are deleted.
TEST_F(JournalTest, AClockThatJumpedDeletesNothingAndTimeThatPassedPrunes) {
    Dates::Uptime uptime{"boot-1", hours(1)};
    auto journalOnClock = [&] {
        return Journal(
            dir, 7, [this] { return now; }, [&] { return uptime; });
    };
    for (unsigned d = 3; d <= 9; ++d)
        putDay("2026-03-0" + std::to_string(d));
    journalOnClock();
    EXPECT_EQ(files().size(), 8u) << "7 days and clock.txt";

    // A week ahead, with a minute counted: another program's start sees the jump.
    now = utc(2026, 3, 16);
    uptime.counted += minutes(1);
    Journal ahead = journalOnClock();
    EXPECT_EQ(ahead.entries().size(), 7u);
    add(ahead, now);
    ASSERT_TRUE(ahead.save());
    EXPECT_EQ(files().size(), 9u);
    // Back to the true date: nothing was lost.
    now = utc(2026, 3, 9, 12, 2);
    EXPECT_EQ(journalOnClock().entries().size(), 8u);

    // Two days of sleep counted as such prune; so does a new start of the system.
    now = utc(2026, 3, 11, 12, 2);
    uptime.counted += hours(48);
    EXPECT_EQ(journalOnClock().entries().size(), 6u);
    now = utc(2026, 3, 24);
    uptime = {"boot-2", minutes(1)};
    EXPECT_EQ(journalOnClock().entries().size(), 0u) << "the day of 2026-03-16 was pruned too";
}

TEST_F(JournalTest, AnyNameSurvivesTheDayFile) {
    const std::vector<std::pair<std::string, std::string>> names{
        {"quote\" back\\slash", "quote\" back\\slash"},
        // The literal's own length: a count past its end read beyond it.
        {"tab\t nl\n cr\r nul\0 bell\x07 del\x7f"s, "tab\t nl\n cr\r nul\0 bell\x07 del\x7f"s},
        {"Почта — ok", "Почта — ok"},
        {"bad \xff\xc3 end", "bad \uFFFD\uFFFD end"},
    };
    Journal j = journal();
    // A negative amount counts as none.
    for (const auto& [name, stored] : names)
        j.record(name, name, "192.0.2.1", -1, Verdict{Category::ads, name, {}}, INT64_MIN,
                 INT64_MAX, false, now);
    ASSERT_TRUE(j.save());
    Journal reloaded = journal();
    ASSERT_EQ(reloaded.entries().size(), names.size());
    for (const auto& [name, stored] : names) {
        const JournalEntry& entry = reloaded.entries().at("2026-03-09|" + stored + "|" + stored);
        EXPECT_EQ(std::tuple(entry.company, entry.port, entry.bytesIn, entry.bytesOut),
                  std::tuple(stored, -1, 0, INT64_MAX));
    }
}

// The list kept between calls moves only what was touched; after each step it must be what a
// sort of everything gives. A wipe forgets everything, the unusable file too, and removes the
// folder, which a load does not make again.
TEST_F(JournalTest, SortedStaysInOrderAcrossRecordsPrunesAndWipes) {
    put("2026-03-09.json", "broken");
    Journal j = journal();
    const auto sameAsASort = [&j] { return j.sorted() == Journal::newestFirst(j.entries()); };
    const std::vector<std::string> apps{"A", "B", "C", "D", "E", "F", "G", "H"};
    for (int scan = 0; scan < 12; ++scan) {
        // Days 3 to 9 of March; the first scans' days fall out of the seven kept at the end.
        now = utc(2026, 3, 3 + static_cast<unsigned>(scan / 2), scan, scan);
        for (size_t i = 0; i < apps.size(); i += 1 + static_cast<size_t>(scan % 3))
            j.record(apps[i], "dest" + std::to_string((i + scan) % 3), "192.0.2.1", 1, {}, 0, 0,
                     false, now);
        ASSERT_TRUE(sameAsASort()) << "scan " << scan;
    }
    const size_t before = j.sorted().size();
    now = utc(2026, 3, 11);
    ASSERT_TRUE(j.save());
    EXPECT_TRUE(sameAsASort());
    EXPECT_LT(j.sorted().size(), before);
    // The oldest day kept is the sixth before today.
    EXPECT_EQ(j.sorted().back().day, "2026-03-05");
    j.wipe();
    EXPECT_TRUE(j.unusable().empty());
    EXPECT_TRUE(journal().entries().empty() && !fs::exists(dir));
    add(j, now);
    EXPECT_EQ(j.sorted().size(), 1u);
    ASSERT_TRUE(j.save());
    EXPECT_EQ(files().size(), 1u);
}

// Each text is one day file that must be skipped as a whole and left exactly as it is.
TEST_F(JournalTest, SkipsBadDayFilesAndLeavesThemIntact) {
    std::string good = entryJson("2026-03-08");
    auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        return "[" + text.replace(text.find(from), from.size(), to) + "]";
    };
    const std::vector<std::string> bad{
        fixture("garbage_text.txt"),
        "",
        "{}",
        "[1]",
        "[" + good + ",",
        with(R"("port":443,)", ""),
        with(R"("port":443)", R"("port":"443")"),
        with(R"("port":443)", R"("port":44.5)"),
        with(R"("bytesIn":10)", R"("bytesIn":true)"),
        with(R"("bytesIn":10)", R"("bytesIn":18446744073709551615)"),
        with(R"("blocked":false)", R"("blocked":0)"),
        with(R"("category":"cdn")", R"("category":"CDN")"),
        with(R"("day":"2026-03-08")", R"("day":"../../2026-03-08")"),
        with(R"("day":"2026-03-08")", R"("day":"2026-02-30")"),
        with("T10:00:00Z", "T10:00:00.5Z"),
        with("T10:00:00Z", "T10:00:00+03:00"),
        "[" + good + "] trailing",
        with(R"("blocked")", R"("hours":{},"blocked")"),
        with(R"("blocked")", R"("hours":[[24,1,1]],"blocked")"),
        with(R"("blocked")", R"("hours":[[-1,1,1]],"blocked")"),
        with(R"("blocked")", R"("hours":[[3,-1,0]],"blocked")"),
        with(R"("blocked")", R"("hours":[[3,1.5,0]],"blocked")"),
        with(R"("blocked")", R"("hours":[[3,true,0]],"blocked")"),
        with(R"("blocked")", R"("hours":[[3,18446744073709551615,0]],"blocked")"),
        with(R"("blocked")", R"("hours":[[3,1]],"blocked")"),
        with(R"("blocked")", R"("hours":["3"],"blocked")"),
        with(R"("blocked")", R"("hours":[[4,1,1],[3,1,1]],"blocked")"),
        with(R"("blocked")", R"("hours":[[3,1,1],[3,1,1]],"blocked")"),
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        put("2026-03-07.json", text);
        put("2026-03-08.json", "[" + good + "]");
        Journal j = journal();
        EXPECT_EQ(j.entries().size(), 1u);
        EXPECT_EQ(contents("2026-03-07.json"), text);
        EXPECT_EQ(Journal::read(dir).skipped,
                  (std::vector<Journal::Skipped>{
                      {dir + "/2026-03-07.json", "not a readable day of the journal"}}));
    }
}

namespace {

// The bytes of a planted day file, or of the file "inside" a planted directory.
std::string plantedBytes(const std::string& path) {
    return readText(fs::is_directory(path) ? path + "/inside" : path);
}

// Plants `path` as a file holding `text`, or as a directory when `text` is absent, last written
// at 2026-12-07 05:45 UTC, so the name its bytes are kept under ends in "bad-20261207T054500Z".
void plant(const std::string& path, const std::optional<std::string>& text) {
    fs::create_directories(fs::path(path).parent_path());
    if (text)
        ASSERT_TRUE(AtomicFile::write(path, *text));
    else
        ASSERT_TRUE(fs::create_directory(path) && AtomicFile::write(path + "/inside", "kept"));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(utc(2026, 12, 7, 5, 45)));
}

} // namespace

// A day file that cannot be used, with the copies of others already beside it, is kept under
// the name its problem and last change give it before its day is written again; when no name is
// left, it stays and its day is not written over. A file still in place is found again and reuses
// its copy.
TEST_F(JournalTest, AnUnusableDayFileIsKeptBeforeItsDayIsWrittenAgain) {
    struct Case {
        const char* name;
        std::optional<std::string> text;
        int copiesBeside;
        std::string problemEnd;
        std::optional<std::string> keptAs;
    };
    const std::string day = dir + "/2026-03-09.json", aside = day + ".bad-20261207T054500Z";
    const std::string unreadable = "not a readable day of the journal",
                      notAFile = "2026-03-09.json: not a regular file";
    for (const Case& c : {
             Case{"empty", "", 0, unreadable, aside},
             Case{"cut in an entry", "[" + entryJson("2026-03-09").substr(0, 60), 0, unreadable,
                  aside},
             Case{"its kept name taken by other bytes", "[{\"day\":", 1, unreadable, aside + "-2"},
             Case{"a directory", std::nullopt, 0, notAFile, aside},
             Case{"a directory with every name taken", std::nullopt, 100, notAFile, std::nullopt},
         }) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir);
        plant(day, c.text);
        for (int n = 1; n <= c.copiesBeside; ++n)
            plant(n == 1 ? aside : aside + "-" + std::to_string(n), "another copy");
        const std::string planted = plantedBytes(day);
        Journal j = journal();
        ASSERT_EQ(j.unusable().size(), 1u);
        EXPECT_TRUE(j.unusable()[0].problem.ends_with(c.problemEnd)) << j.unusable()[0].problem;
        EXPECT_EQ(j.unusable()[0].keptAs, c.keptAs);
        if (fs::exists(day)) {
            EXPECT_EQ(journal().unusable(), j.unusable());
        }
        add(j, now);
        Result<void> saved = j.save();
        if (c.keptAs) {
            ASSERT_TRUE(saved) << saved.error().message;
            EXPECT_EQ(plantedBytes(*c.keptAs), planted);
            EXPECT_EQ(journal().entries().size(), 1u);
            EXPECT_TRUE(journal().unusable().empty());
        } else {
            ASSERT_FALSE(saved);
            EXPECT_NE(saved.error().message.find("left in place"), std::string::npos);
            EXPECT_EQ(plantedBytes(day), planted);
        }
    }
}

TEST_F(JournalTest, AFailedSaveKeepsTheEntriesAndSaysWhy) {
    putDay("2026-03-08");
    Journal j = journal();
    add(j, now);
    fs::remove_all(dir);
    ASSERT_TRUE(AtomicFile::write(dir, "a file where the directory should be"));
    Result<void> saved = j.save();
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().message.find(dir), std::string::npos);
    EXPECT_EQ(j.entries().size(), 2u);
    EXPECT_EQ(readText(dir), "a file where the directory should be");
}

TEST_F(JournalTest, ASaveWritesOnlyTheDaysRecordedIntoSinceTheLast) {
    Journal week = journal();
    for (int day = 0; day < 7; ++day)
        week.record("Safari", "example.com", "192.0.2.1", 443, tracker, 1, 1, false,
                    now - hours{24 * day});
    ASSERT_TRUE(week.save());
    const auto written = [&](const std::string& name) {
        return fs::last_write_time(dir + "/" + name);
    };
    const auto monday = written("2026-03-09.json"), sunday = written("2026-03-08.json");
    std::this_thread::sleep_for(milliseconds(20));
    week.record("Safari", "example.com", "192.0.2.1", 443, tracker, 5, 5, false, now);
    ASSERT_TRUE(week.save());
    EXPECT_NE(written("2026-03-09.json"), monday);
    EXPECT_EQ(written("2026-03-08.json"), sunday);
    // A fresh load writes nothing until something is recorded; what it read stays.
    Journal again = journal();
    ASSERT_TRUE(again.save());
    EXPECT_EQ(files().size(), 7u);
    EXPECT_EQ(again.entries(), week.entries());
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "present/window_rows.h"
#include "present/window_texts.h"

using namespace std::chrono_literals;
using platform::Wording;

namespace {

AppRow row(const std::string& name) {
    AppRow app;
    app.name = name;
    return app;
}

Connection to(const std::string& ip, std::optional<std::string> host = std::nullopt) {
    Connection connection;
    connection.ip = ip;
    connection.host = std::move(host);
    return connection;
}

JournalEntry entry(const std::string& app, const std::string& dest, Category category) {
    JournalEntry journal;
    journal.app = app;
    journal.dest = dest;
    journal.category = category;
    journal.company = "Hidden Company";
    return journal;
}

std::vector<std::string> apps(const std::vector<JournalEntry>& entries) {
    std::vector<std::string> names;
    for (const JournalEntry& journal : entries)
        names.push_back(journal.app);
    return names;
}

} // namespace

TEST(WindowRows, CurrentFallsBackToTheFirstRowAndDestinationsShowOnce) {
    const std::vector<AppRow> rows{row("Safari"), row("Mail")};
    EXPECT_EQ(WindowRows::current(rows, "Mail"), &rows[1]);
    EXPECT_EQ(WindowRows::current(rows, "Gone"), &rows[0]);
    EXPECT_EQ(WindowRows::current(rows, std::nullopt), &rows[0]);
    EXPECT_EQ(WindowRows::current({}, "Mail"), nullptr);
    const std::vector<Connection> unique =
        WindowRows::uniqueDestinations({to("1.1.1.1", "a.example"), to("2.2.2.2", "a.example"),
                                        to("3.3.3.3"), to("1.1.1.1", "a.example"), to("3.3.3.3")});
    ASSERT_EQ(unique.size(), 2u);
    EXPECT_EQ(unique[0].ip, "1.1.1.1");
    EXPECT_EQ(unique[1].dest(), "3.3.3.3");
}

TEST(WindowRows, RulesNewestFirstStable) {
    const auto at = [](const std::string& target, int seconds) {
        return Rule::make(target, std::nullopt, RuleAction::block,
                          std::chrono::sys_seconds(std::chrono::seconds(seconds)), std::nullopt);
    };
    const std::vector<Rule> sorted =
        WindowRows::newestFirst({at("old", 1), at("same-a", 5), at("same-b", 5), at("new", 9)});
    std::vector<std::string> targets;
    for (const Rule& rule : sorted)
        targets.push_back(rule.target);
    EXPECT_EQ(targets, (std::vector<std::string>{"new", "same-a", "same-b", "old"}));
}

TEST(WindowRows, SearchIgnoresCaseInLatinAndCyrillic) {
    // Invalid bytes neither crash nor match letters.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"Safari", "SAFARI", true},    {"Почта России", "почта", true},
        {"почта", "ПОЧТА", true},      {"Ёлка", "ёл", true},
        {"Ώρα ΑΒΓ", "αβγ", true},      {"Łódź", "łÓ", true},
        {"anything", "", true},        {"Safari", " saf", false},
        {"Почта", "почтальон", false}, {"\xFF\xFE", "a", false},
        {"x\xFFy", "X", true}};
    for (const auto& [haystack, needle, found] : cases)
        EXPECT_EQ(WindowRows::containsIgnoringCase(haystack, needle), found) << needle;
}

TEST(WindowRows, JournalFilterAndOnlyTrackers) {
    const std::vector<JournalEntry> entries{
        entry("Safari", "cdn.example", Category::cdn),
        entry("Телеграм", "telemetry.example", Category::telemetry),
        entry("Mail", "ads.SAFE.example", Category::ads)};
    using Apps = std::vector<std::string>;
    // The company is not searched.
    const std::tuple<const char*, bool, Apps> cases[] = {
        {"", false, {"Safari", "Телеграм", "Mail"}},
        {"", true, {"Телеграм", "Mail"}},
        {"saf", false, {"Safari", "Mail"}},
        {"saf", true, {"Mail"}},
        {"ТЕЛЕ", false, {"Телеграм"}},
        {"Hidden", false, {}}};
    for (const auto& [search, onlyTrackers, found] : cases)
        EXPECT_EQ(apps(WindowRows::journal(entries, {search, onlyTrackers})), found) << search;
}

// Today and yesterday are local calendar days as of the time given; the week keeps every day.
TEST(WindowRows, JournalPeriods) {
    const Dates::TimePoint now = *Dates::parseIso8601("2026-12-10T00:30:00Z");
    std::vector<JournalEntry> entries;
    for (int offset : {0, -1, -2, -6}) {
        entries.push_back(entry("day" + std::to_string(-offset), "cdn.example", Category::cdn));
        entries.back().day = Dates::localDay(now, offset);
    }
    using Period = WindowRows::JournalPeriod;
    using Apps = std::vector<std::string>;
    const std::pair<Period, Apps> cases[] = {{Period::week, {"day0", "day1", "day2", "day6"}},
                                             {Period::today, {"day0"}},
                                             {Period::yesterday, {"day1"}}};
    for (const auto& [period, found] : cases)
        EXPECT_EQ(apps(WindowRows::journal(entries, {"", false, period, now})), found);
}

// A telemetry badge's text is orange on its yellow.
TEST(WindowRows, BadgeTextAndTheChoicesOfIntervalAndLanguage) {
    EXPECT_EQ(WindowRows::badgeText(Category::telemetry), SignalColor::orange);
    EXPECT_EQ(WindowRows::badgeText(Category::ads), SignalColor::red);
    EXPECT_EQ(WindowRows::intervalIndex(15), 2u);
    EXPECT_EQ(WindowRows::intervalIndex(7), std::nullopt);
    EXPECT_EQ(WindowRows::languageIndex("ru"), 2u);
    EXPECT_EQ(WindowRows::languageIndex("de"), std::nullopt);
}

TEST(WindowTexts, TrafficHelperLineAndTrackerSwitch) {
    EXPECT_EQ(WindowTexts::traffic("1.2 kB", "3 MB", Lang::en), "sent 1.2 kB · received 3 MB");
    EXPECT_EQ(WindowTexts::traffic("1", "2", Lang::ru), "отправлено 1 · получено 2");
    EXPECT_EQ(WindowTexts::helperState(true, "", Lang::en), "On");
    EXPECT_EQ(WindowTexts::helperState(true, "", Lang::ru), "Включена");
    EXPECT_EQ(WindowTexts::helperState(true, "ok 12 ips", Lang::en), "On — ok 12 ips");
    EXPECT_EQ(WindowTexts::blockListed(84320, Lang::en),
              "Also block every domain from the open tracker lists (84320)");
    EXPECT_EQ(WindowTexts::blockListed(7, Lang::ru),
              "Также запретить все домены из открытых списков трекеров (7)");
}

TEST(WindowTexts, PrivacyStatementNamesTheFolderInUse) {
    EXPECT_EQ(
        WindowTexts::privacyStatement("/home/ann/.local/share/Nattervane", "/home/ann", Lang::en),
        "Nattervane sends nothing anywhere: no account, no analytics, no updates check. The "
        "journal and rules are files in ~/.local/share/Nattervane.");
    const std::string ru = WindowTexts::privacyStatement("/srv/nv data", "/home/ann", Lang::ru);
    EXPECT_TRUE(ru.ends_with("Журнал и правила — файлы в /srv/nv data.")) << ru;
    // Only a folder inside the home folder is written from "~".
    EXPECT_TRUE(WindowTexts::privacyStatement("/home/annabel/nv", "/home/ann", Lang::en)
                    .ends_with(" /home/annabel/nv."));
}

TEST(WindowTexts, MacWordsHaveOtherSystemVariants) {
    using WindowTexts::Key;
    EXPECT_EQ(WindowTexts::text(Key::systemService, Lang::en, Wording::macos), "macOS service");
    EXPECT_EQ(WindowTexts::text(Key::systemService, Lang::ru, Wording::linux), "системная служба");
    for (Key key :
         {Key::systemService, Key::journalKept, Key::rulesNote, Key::howItWorks, Key::showLocal})
        for (Lang lang : {Lang::en, Lang::ru}) {
            const std::string linux = WindowTexts::text(key, lang, Wording::linux);
            EXPECT_EQ(linux.find("Mac"), std::string::npos) << linux;
            EXPECT_EQ(linux.find("pf"), std::string::npos) << linux;
            EXPECT_NE(linux, WindowTexts::text(key, lang, Wording::macos));
        }
    // The Linux helper blocks domains in DNS; both languages say so.
    for (Lang lang : {Lang::en, Lang::ru})
        for (const char* word : {"dnsmasq", "systemd-resolved", "NetworkManager", "/etc/hosts"})
            EXPECT_NE(WindowTexts::text(Key::howItWorks, lang, Wording::linux).find(word),
                      std::string::npos)
                << word;
    // Every text exists in both languages.
    for (int key = 0; key <= static_cast<int>(Key::privacyStatement); ++key)
        for (Lang lang : {Lang::en, Lang::ru})
            EXPECT_FALSE(WindowTexts::text(static_cast<Key>(key), lang, Wording::macos).empty());
    EXPECT_EQ(WindowTexts::text(Key::ask, Lang::ru), "Спросить");
}

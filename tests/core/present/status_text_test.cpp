// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "present/counted.h"
#include "present/menu_texts.h"
#include "present/signal_color.h"
#include "present/status_text.h"
#include "present/window_texts.h"

using StatusText::shortStatus;
using StatusText::statusLine;

// Paused wins over counts, ads over trackers.
TEST(StatusText, PausedThenAdsThenTrackersSetTheStateAndCountsAreNotGrouped) {
    EXPECT_EQ(statusLine(true, 4, 3, Lang::ru), "На паузе");
    EXPECT_EQ(SignalColors::state(true, true, 3), SignalColor::gray);
    EXPECT_EQ(SignalColors::state(false, true, 1), SignalColor::red);
    EXPECT_EQ(SignalColors::state(false, false, 1), SignalColor::yellow);
    EXPECT_EQ(SignalColors::state(false, false, 0), SignalColor::green);
    EXPECT_EQ(statusLine(false, 1, 0, Lang::en), "All calm · 1 program online");
    EXPECT_EQ(statusLine(false, 12345, 0, Lang::ru), "Спокойно · в сети 12345 программ");
    EXPECT_EQ(statusLine(false, 2, 1, Lang::en), "1 tracker connection now · 2 programs online");
    EXPECT_EQ(statusLine(false, 2, 1000, Lang::ru),
              "Сейчас 1000 соединений с трекерами · в сети 2 программы");
}

TEST(Counted, NounsTakeTheFormOfTheirNumber) {
    const NounForms program = Nouns::program;
    const std::pair<int64_t, const char*> russian[] = {
        {0, "программ"},   {1, "программа"},  {2, "программы"},    {4, "программы"},
        {5, "программ"},   {11, "программ"},  {12, "программ"},    {14, "программ"},
        {21, "программа"}, {22, "программы"}, {25, "программ"},    {101, "программа"},
        {111, "программ"}, {112, "программ"}, {1004, "программы"}, {-1, "программа"}};
    for (const auto& [count, form] : russian)
        EXPECT_EQ(Counted::form(count, program, Lang::ru), form) << count;
    EXPECT_EQ(Counted::text(0, program, Lang::en), "0 programs");
    EXPECT_EQ(Counted::text(1, program, Lang::en), "1 program");
    EXPECT_EQ(Counted::text(21, program, Lang::en), "21 programs");
    EXPECT_EQ(Counted::text(23, Nouns::connection, Lang::ru), "23 соединения");
}

TEST(StatusText, ShortStatusTakesFirstWordOfEachKey) {
    EXPECT_EQ(shortStatus("  domains=3401   ips=12 ips=99 ", Lang::ru), "12 адресов, 3401 домен");
    EXPECT_EQ(shortStatus("", Lang::en), "0 addresses, 0 domains");
    EXPECT_EQ(shortStatus("ips= domains=x7", Lang::en), " addresses, x7 domains");
    // A tab is not a word separator: the whole line is one word that begins with "ips=".
    EXPECT_EQ(shortStatus("ips=1\tdomains=2", Lang::en), "1\tdomains=2 addresses, 0 domains");
}

TEST(StatusText, ShortStatusNamesHowDomainsAreBlocked) {
    EXPECT_EQ(shortStatus("ips=1 domains=84000 rejected=0 dns=resolved hosts=2", Lang::en),
              "1 address, 84000 domains via dnsmasq (systemd-resolved)");
    EXPECT_EQ(shortStatus("ips=1 domains=5 rejected=0 dns=networkmanager hosts=5", Lang::ru),
              "1 адрес, 5 доменов через dnsmasq (NetworkManager)");
    EXPECT_EQ(shortStatus("ips=0 domains=5 rejected=0 dns=own hosts=5", Lang::en),
              "0 addresses, 5 domains via dnsmasq");
    EXPECT_EQ(shortStatus("ips=0 domains=5 rejected=0 dns=hosts hosts=5", Lang::ru),
              "0 адресов, 5 доменов через /etc/hosts");
    EXPECT_EQ(shortStatus("ips=0 domains=5 dns=bogus", Lang::en), "0 addresses, 5 domains");
}

TEST(SignalColors, EveryCategoryHasItsColour) {
    std::map<SignalColor, std::vector<Category>> byColour;
    for (Category category : Categories::allCases)
        byColour[SignalColors::of(category)].push_back(category);
    using enum Category;
    EXPECT_EQ(byColour[SignalColor::green],
              (std::vector{local, apple, system, cloud, cdn, service}));
    EXPECT_EQ(byColour[SignalColor::gray], (std::vector{unknown}));
    EXPECT_EQ(byColour[SignalColor::yellow], (std::vector{telemetry}));
    EXPECT_EQ(byColour[SignalColor::orange], (std::vector{social, analytics, tracker}));
    EXPECT_EQ(byColour[SignalColor::red], (std::vector{ads}));
}

TEST(MenuTexts, MacTextsHaveAVariantForOtherSystems) {
    using MenuTexts::Key;
    using platform::Wording;
    EXPECT_EQ(MenuTexts::text(Key::turnBlockingOff, Lang::ru, Wording::macos),
              "Выключить блокировку (убрать все правила с Mac)");
    EXPECT_EQ(MenuTexts::text(Key::wipeExplanation, Lang::ru, Wording::linux),
              "Все записанные соединения на этом компьютере будут стёрты. Правила останутся.");
    EXPECT_EQ(MenuTexts::text(Key::quit, Lang::ru, Wording::linux), "Выйти");
    EXPECT_EQ(MenuTexts::blockAllOf("Safari", Lang::ru), "Запретить все адреса «Safari»");
}

TEST(WindowTexts, FooterAndTabsInBothWordings) {
    using platform::Wording;
    EXPECT_EQ(WindowTexts::footer("ss", 84320, Lang::en, Wording::linux),
              "Nothing leaves this computer. Source: ss · lists: 84320 domains");
    EXPECT_EQ(WindowTexts::footer("nettop", 0, Lang::ru, Wording::macos),
              "Ничего не уходит с этого Mac. Источник: nettop · в списках 0 доменов");
    EXPECT_EQ(WindowTexts::tabName(3, Lang::ru), "Настройки");
    EXPECT_EQ(WindowTexts::tabName(7, Lang::en), "Programs");
    EXPECT_EQ(WindowTexts::tabName(-1, Lang::en), "Programs");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "present/status_menu.h"

using platform::Wording;

namespace {

Connection to(std::string app, std::string ip, std::optional<std::string> host, Category category,
              std::optional<std::string> company = std::nullopt) {
    return {.app = {.name = std::move(app)},
            .proto = "tcp",
            .ip = std::move(ip),
            .port = 443,
            .host = std::move(host),
            .verdict = {category, std::move(company), std::nullopt}};
}

AppRow row(std::string name, std::vector<Connection> conns, int64_t trackerCount) {
    AppRow row;
    row.name = std::move(name);
    row.conns = std::move(conns);
    row.trackerCount = trackerCount;
    for (const Connection& connection : row.conns)
        row.worst = std::max(row.worst, connection.verdict.category);
    return row;
}

struct Menu {
    std::vector<AppRow> apps;
    RuleSet rules;
    bool helperInstalled = false;
    std::string helperStatus;
    Lang lang = Lang::en;

    std::vector<MenuEntry> build() const {
        return StatusMenu::build(
            {apps, rules, false, false, helperInstalled, helperStatus, lang, Wording::linux});
    }
};

const MenuEntry& programsOf(const std::vector<MenuEntry>& menu) {
    for (const MenuEntry& entry : menu)
        if (entry.title == "Who is calling out now" || entry.title == "Кто сейчас связывается")
            return entry;
    throw std::runtime_error("no programs item");
}

} // namespace

TEST(StatusMenu, EmptyStateReadsAsWholeMenu) {
    Menu menu;
    menu.rules.blockNew = true;
    EXPECT_EQ(dumpMenu(menu.build()), "  All calm · 0 programs online\n"
                                      "────\n"
                                      "  Who is calling out now\n"
                                      "      Nobody\n"
                                      "✓ Block everything new\n"
                                      "  Quiet mode\n"
                                      "  Pause watching\n"
                                      "────\n"
                                      "  Turn on blocking…\n"
                                      "  Open Nattervane…\n"
                                      "  Journal…\n"
                                      "  Delete journal\n"
                                      "────\n"
                                      "  Orvelle · orvelle.app\n"
                                      "  Quit\n");
    EXPECT_FALSE(programsOf(menu.build()).submenu[0].enabled());
}

TEST(StatusMenu, BlockingLineFollowsHelperState) {
    Menu menu;
    menu.helperInstalled = true;
    EXPECT_EQ(menu.build()[1].title, "Blocking is on");
    menu.helperStatus = "domains=3400 ips=12 rejected=1";
    EXPECT_EQ(menu.build()[1].title, "Blocking is on · 12 addresses, 3400 domains");
    EXPECT_EQ(menu.build()[8].title, "Turn blocking off (remove all rules from this computer)");
    EXPECT_EQ(menu.build()[8].command, MenuCommand::removeHelper);
    menu.lang = Lang::ru;
    EXPECT_EQ(menu.build()[1].title, "Блокировка включена · 12 адресов, 3400 доменов");
}

TEST(StatusMenu, QuestionsWaitingOpenTheirWindow) {
    const RuleSet rules;
    const std::vector<AppRow> apps;
    for (auto [lang, title] : std::vector<std::pair<Lang, std::string>>{
             {Lang::en, "Waiting for your answer: 3…"}, {Lang::ru, "Ждут вашего ответа: 3…"}}) {
        std::vector<MenuEntry> menu = StatusMenu::build(
            {apps, rules, false, false, false, "", lang, Wording::linux, false, 3});
        EXPECT_EQ(menu[1].title, title);
        EXPECT_EQ(menu[1].command, MenuCommand::openQuestions);
    }
}

// The first 25 programs in the model's order; one moving data shows its live rate.
TEST(StatusMenu, OnlyFirstProgramsInModelOrderWithTheirLiveRates) {
    Menu menu;
    menu.apps = {row("Mail", {}, 1), row("Idle", {}, 0)};
    for (int i = 2; i < 30; ++i)
        menu.apps.push_back(row("App" + std::to_string(i), {}, 0));
    menu.apps[0].rate = Rate{1500, 200};
    menu.apps[1].rate = Rate{0, 0};
    menu.lang = Lang::ru;
    const std::vector<MenuEntry> built = menu.build();
    const MenuEntry& programs = programsOf(built);
    ASSERT_EQ(programs.submenu.size(), 25u);
    EXPECT_EQ(programs.submenu[0].title, "Mail  —  0 соединений · 1 трекер · ↓ 1,5 кБ/с ↑ 200 Б/с");
    EXPECT_EQ(programs.submenu[1].title, "Idle  —  0 соединений");
    EXPECT_EQ(programs.submenu.back().title, "App24  —  0 соединений");
}

TEST(StatusMenu, ProgramListsEachDestinationOnce) {
    Menu menu;
    menu.apps = {row("Browser",
                     {to("Browser", "1.1.1.1", "ads.example", Category::ads, "AdCo"),
                      to("Browser", "1.1.1.2", "ads.example", Category::ads, "AdCo"),
                      to("Browser", "1.1.1.3", "ads.example", Category::ads, "AdCo"),
                      to("Browser", "9.9.9.9", std::nullopt, Category::unknown)},
                     2)};
    const std::vector<MenuEntry> built = menu.build();
    const MenuEntry& programs = programsOf(built);
    const MenuEntry& browser = programs.submenu[0];
    EXPECT_EQ(browser.title, "Browser  —  4 connections · 2 trackers");
    EXPECT_EQ(browser.dot, SignalColor::red);
    ASSERT_EQ(browser.submenu.size(), 5u);
    EXPECT_EQ(browser.submenu[0].title, "ads.example · Ads · AdCo");
    EXPECT_EQ(browser.submenu[1].title, "9.9.9.9 · Unknown");
    EXPECT_EQ(browser.submenu[1].dot, SignalColor::gray);
    EXPECT_TRUE(browser.submenu[2].separator);
    EXPECT_EQ(browser.submenu[1].submenu[0].title,
              "“Browser” talks to 9.9.9.9; we don't know who that is.");
    EXPECT_FALSE(browser.submenu[1].submenu[0].enabled());
}

// A program reaching thousands of destinations lists the first of them and says how many more.
TEST(StatusMenu, ManyDestinationsAreCounted) {
    Menu menu;
    std::vector<Connection> many;
    for (int n = 0; n < 1000; ++n)
        many.push_back(
            to("Crawler", "198.18.0." + std::to_string(n), std::nullopt, Category::unknown));
    menu.apps = {row("Crawler", many, 0)};
    const std::vector<MenuEntry> built = menu.build();
    const std::vector<MenuEntry>& listed = programsOf(built).submenu[0].submenu;
    ASSERT_GT(listed.size(), StatusMenu::mostDestinations);
    EXPECT_EQ(listed[StatusMenu::mostDestinations].title,
              "… and 975 destinations besides; the Journal tab lists them all.");
}

// What a click on a rule item does is the launch tests' (the menu as the user clicks it).
TEST(StatusMenu, RuleItemsCheckTheCurrentAction) {
    Menu menu;
    Connection tracked = to("Browser", "1.1.1.1", "t.example", Category::tracker);
    menu.apps = {row("Browser", {tracked}, 1)};
    menu.rules.set("T.example", "Browser", RuleAction::block, std::nullopt, {});
    const std::vector<MenuEntry> built = menu.build();
    const std::vector<MenuEntry>& rules = programsOf(built).submenu[0].submenu[0].submenu;
    ASSERT_EQ(rules.size(), 5u);
    std::vector<bool> checks;
    for (size_t i = 2; i < 5; ++i) {
        checks.push_back(rules[i].checked);
        EXPECT_EQ(std::get<RuleChoice>(rules[i].subject).connection, tracked);
    }
    EXPECT_EQ(checks, (std::vector{false, true, false}));
    EXPECT_EQ(std::get<RuleChoice>(rules[3].subject).action, RuleAction::block);

    // No rule is offered for a connection the program accepted.
    tracked.incoming = true;
    menu.apps = {row("Browser", {tracked}, 1)};
    const std::vector<MenuEntry> accepted = menu.build();
    const std::vector<MenuEntry>& told = programsOf(accepted).submenu[0].submenu[0].submenu;
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[2].title, "Rules do not apply to incoming connections.");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/status_menu.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "present/credits.h"
#include "present/explainer.h"
#include "present/menu_texts.h"
#include "present/status_text.h"
#include "present/window_texts.h"

namespace StatusMenu {

namespace {

using MenuTexts::Key;

struct Builder {
    const State& state;

    std::string text(Key key) const { return MenuTexts::text(key, state.lang, state.wording); }

    MenuEntry command(Key key, MenuCommand command, bool checked = false) const {
        return MenuEntry::item(text(key), command, checked);
    }

    std::string statusLine() const {
        const int64_t tracking =
            std::accumulate(state.apps.begin(), state.apps.end(), int64_t{0},
                            [](int64_t sum, const AppRow& row) { return sum + row.trackerCount; });
        return StatusText::statusLine(state.paused, state.apps.size(), tracking, state.lang);
    }

    std::string blockingLine() const {
        std::string line = text(Key::blockingOn);
        if (!state.helperStatus.empty())
            line.append(" · ").append(StatusText::shortStatus(state.helperStatus, state.lang));
        return line;
    }

    MenuEntry ruleItem(const Connection& connection, Key key, RuleAction action,
                       RuleScope scope = RuleScope::everywhere) const {
        const std::optional<RuleAction> current = currentAction(state.rules, connection, scope);
        return MenuEntry::item(text(key), MenuCommand::ruleClicked, current == action,
                               RuleChoice{connection, action, scope});
    }

    MenuEntry destination(const Connection& connection) const {
        const Verdict& verdict = connection.verdict;
        std::string title =
            connection.dest() + " · " + Explainer::label(verdict.category, state.lang);
        if (verdict.company) title.append(" · ").append(*verdict.company);
        const std::string sentence = Explainer::sentence(connection, state.lang, state.wording);
        MenuEntry entry = MenuEntry::label(std::move(title));
        entry.dot = SignalColors::of(verdict.category);
        if (connection.incoming) {
            entry.submenu = {MenuEntry::label(sentence), MenuEntry::line(),
                             MenuEntry::label(Explainer::rulesDoNotApply(state.lang))};
            return entry;
        }
        entry.submenu = {MenuEntry::label(sentence), MenuEntry::line(),
                         ruleItem(connection, Key::allow, RuleAction::allow),
                         ruleItem(connection, Key::block, RuleAction::block),
                         ruleItem(connection, Key::askNextTime, RuleAction::ask)};
        // Only a program known by its executable can have rules of its own.
        if (connection.app.exePath)
            entry.submenu.push_back(
                ruleItem(connection, Key::blockForProgram, RuleAction::block, RuleScope::program));
        return entry;
    }

    MenuEntry program(const AppRow& row) const {
        std::string title =
            row.name + "  —  " +
            WindowTexts::connectionCount(row.conns.size(), row.trackerCount, state.lang);
        if (row.rate && (row.rate->in > 0 || row.rate->out > 0))
            title.append(" · ").append(RateText::both(*row.rate, state.lang));
        MenuEntry entry = MenuEntry::label(std::move(title));
        entry.dot = SignalColors::of(row.worst);
        std::set<std::string> listed;
        for (const Connection& connection : row.conns)
            if (listed.insert(connection.dest()).second && listed.size() <= mostDestinations)
                entry.submenu.push_back(destination(connection));
        if (listed.size() > mostDestinations)
            entry.submenu.push_back(MenuEntry::label(
                WindowTexts::moreDestinations(listed.size() - mostDestinations, state.lang)));
        entry.submenu.push_back(MenuEntry::line());
        entry.submenu.push_back(MenuEntry::item(MenuTexts::blockAllOf(row.name, state.lang),
                                                MenuCommand::blockApp, false, row));
        if (!row.conns.empty() && row.conns.front().app.exePath)
            entry.submenu.push_back(ruleItem(row.conns.front(), Key::blockProgram,
                                             RuleAction::block, RuleScope::wholeProgram));
        entry.submenu.push_back(
            MenuEntry::item(text(Key::details), MenuCommand::openApp, false, row.name));
        return entry;
    }

    MenuEntry programs() const {
        MenuEntry entry = MenuEntry::label(text(Key::whoIsCalling));
        const size_t shown = std::min(state.apps.size(), maxPrograms);
        for (size_t i = 0; i < shown; ++i)
            entry.submenu.push_back(program(state.apps[i]));
        if (entry.submenu.empty()) entry.submenu.push_back(MenuEntry::label(text(Key::nobody)));
        return entry;
    }

    std::vector<MenuEntry> menu() const {
        std::vector<MenuEntry> menu{MenuEntry::label(statusLine())};
        if (state.helperInstalled) menu.push_back(MenuEntry::label(blockingLine()));
        if (state.programRulesLapse) menu.push_back(MenuEntry::label(text(Key::programRulesOff)));
        if (state.questionsWaiting > 0)
            menu.push_back(
                MenuEntry::item(MenuTexts::questionsWaiting(state.questionsWaiting, state.lang),
                                MenuCommand::openQuestions));
        menu.push_back(MenuEntry::line());
        menu.push_back(programs());
        menu.push_back(
            command(Key::blockEverythingNew, MenuCommand::toggleBlockNew, state.rules.blockNew));
        menu.push_back(command(Key::quietMode, MenuCommand::toggleQuiet, state.quiet));
        menu.push_back(command(Key::pauseWatching, MenuCommand::togglePause, state.paused));
        menu.push_back(MenuEntry::line());
        menu.push_back(state.helperInstalled
                           ? command(Key::turnBlockingOff, MenuCommand::removeHelper)
                           : command(Key::turnOnBlocking, MenuCommand::installHelper));
        MenuEntry open = command(Key::openWindow, MenuCommand::openWindow);
        open.shortcut = 'o';
        menu.push_back(std::move(open));
        menu.push_back(command(Key::journal, MenuCommand::openJournal));
        menu.push_back(command(Key::deleteJournal, MenuCommand::wipeJournal));
        menu.push_back(MenuEntry::line());
        menu.push_back(MenuEntry::item(Credits::makerLine(), MenuCommand::openSite));
        MenuEntry quit = command(Key::quit, MenuCommand::quit);
        quit.shortcut = 'q';
        menu.push_back(std::move(quit));
        return menu;
    }
};

} // namespace

std::vector<MenuEntry> build(const State& state) {
    return Builder{state}.menu();
}

std::optional<RuleAction> currentAction(const RuleSet& rules, const Connection& connection,
                                        RuleScope scope) {
    if (scope == RuleScope::everywhere) return rules.action(connection.dest());
    std::optional<RulePlace> place = RulePlace::of(connection, scope);
    return place ? rules.actionAt(*place) : std::nullopt;
}

std::optional<RuleAction> afterClick(std::optional<RuleAction> current, RuleAction clicked) {
    if (current == clicked) return std::nullopt;
    return clicked;
}

} // namespace StatusMenu

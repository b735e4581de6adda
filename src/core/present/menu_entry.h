// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "observe/connection.h"
#include "present/app_row.h"
#include "present/signal_color.h"
#include "store/rule.h"
#include "store/rule_set.h"

// What choosing a menu item does.
enum class MenuCommand {
    none,
    ruleClicked,
    blockApp,
    openApp,
    toggleBlockNew,
    toggleQuiet,
    togglePause,
    installHelper,
    removeHelper,
    openWindow,
    openQuestions,
    openJournal,
    wipeJournal,
    openSite,
    quit,
};

// The destination of a rule item, the action the item stands for and whom the rule is for.
struct RuleChoice {
    Connection connection;
    RuleAction action = RuleAction::ask;
    RuleScope scope = RuleScope::everywhere;

    bool operator==(const RuleChoice&) const = default;
};

// A rule item carries its choice, the block-all item its row, the details item a program name;
// copies taken when the menu was built, so a click acts on the state the menu showed.
using MenuSubject = std::variant<std::monostate, RuleChoice, AppRow, std::string>;

// One item of a menu as the toolkit should show it.
struct MenuEntry {
    bool separator = false;
    std::string title;
    std::optional<SignalColor> dot;
    MenuCommand command = MenuCommand::none;
    bool checked = false;
    MenuSubject subject;
    std::optional<char> shortcut;
    std::vector<MenuEntry> submenu;

    bool operator==(const MenuEntry&) const = default;

    static MenuEntry line();
    // A disabled line of text, or the title of a submenu.
    static MenuEntry label(std::string title);
    static MenuEntry item(std::string title, MenuCommand command, bool checked = false,
                          MenuSubject subject = {});
    // Items without a command are shown disabled unless they open a submenu.
    bool enabled() const { return command != MenuCommand::none || !submenu.empty(); }
};

// The menu as indented text: "────" for a separator, "✓ " or two spaces before a title, and each
// submenu indented four spaces deeper.
std::string dumpMenu(const std::vector<MenuEntry>& menu, std::string_view indent = "");

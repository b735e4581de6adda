// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/menu_entry.h"

MenuEntry MenuEntry::line() {
    MenuEntry entry;
    entry.separator = true;
    return entry;
}

MenuEntry MenuEntry::label(std::string title) {
    MenuEntry entry;
    entry.title = std::move(title);
    return entry;
}

MenuEntry MenuEntry::item(std::string title, MenuCommand command, bool checked,
                          MenuSubject subject) {
    MenuEntry entry = label(std::move(title));
    entry.command = command;
    entry.checked = checked;
    entry.subject = std::move(subject);
    return entry;
}

std::string dumpMenu(const std::vector<MenuEntry>& menu, std::string_view indent) {
    std::string text;
    const std::string deeper = std::string(indent) + "    ";
    for (const MenuEntry& entry : menu) {
        text.append(indent);
        if (entry.separator) {
            text.append("────\n");
            continue;
        }
        text.append(entry.checked ? "✓ " : "  ").append(entry.title).append("\n");
        if (!entry.submenu.empty()) text.append(dumpMenu(entry.submenu, deeper));
    }
    return text;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray_menu.h"

#include <QPixmap>

#include "status_icon.h"

namespace TrayMenu {

namespace {

// "&" marks a mnemonic in menu titles; a program name may hold one.
QString title(const MenuEntry& entry) {
    return QString::fromStdString(entry.title).replace('&', "&&");
}

void decorate(QAction& action, const MenuEntry& entry, bool dark) {
    if (entry.dot)
        action.setIcon(QPixmap::fromImage(StatusIcon::dot(StatusIcon::color(*entry.dot, dark))));
    action.setEnabled(entry.enabled());
    action.setCheckable(entry.checked);
    action.setChecked(entry.checked);
    if (entry.shortcut)
        action.setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(toupper(*entry.shortcut))));
}

} // namespace

void fill(QMenu& menu, const std::vector<MenuEntry>& entries, const Choose& choose, bool dark) {
    // Submenus are children of the menu, which clearing alone would not delete.
    for (QMenu* submenu : menu.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        submenu->deleteLater();
    menu.clear();
    for (const MenuEntry& entry : entries) {
        if (entry.separator) {
            menu.addSeparator();
            continue;
        }
        if (!entry.submenu.empty()) {
            QMenu* submenu = menu.addMenu(title(entry));
            decorate(*submenu->menuAction(), entry, dark);
            fill(*submenu, entry.submenu, choose, dark);
            continue;
        }
        QAction* action = menu.addAction(title(entry));
        decorate(*action, entry, dark);
        if (entry.command != MenuCommand::none)
            QObject::connect(action, &QAction::triggered, &menu,
                             [choose, entry] { choose(entry); });
    }
}

} // namespace TrayMenu

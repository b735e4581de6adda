// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <vector>

#include <QMenu>

#include "present/menu_entry.h"

// Fills a toolkit menu from menu entries.
namespace TrayMenu {

using Choose = std::function<void(const MenuEntry&)>;

// Replaces the items of `menu`; choosing an item calls `choose` with a copy of its entry.
void fill(QMenu& menu, const std::vector<MenuEntry>& entries, const Choose& choose, bool dark);

} // namespace TrayMenu

// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_state.h"

void WindowState::setSelectedApp(std::optional<std::string> name) {
    if (name == selectedApp_) return;
    selectedApp_ = std::move(name);
    emit changed();
}

void WindowState::setTab(int tab) {
    tab = tab >= 0 && tab <= 3 ? tab : 0;
    if (tab == tab_) return;
    tab_ = tab;
    emit changed();
}

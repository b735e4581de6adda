// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "qt_desktop.h"

// The macOS desktop: notifications as the status item's messages, which the system shows in
// Notification Center; administrator commands through osascript, which asks for the password
// with the prompt given.
class MacosDesktop : public QtDesktop {
  public:
    // Posted only while the status item is in the menu bar.
    void notify(const std::string& id, const std::string& title, const std::string& body,
                const NoticeActions& actions) override;
    Result<void> runAsAdmin(const std::vector<std::string>& words,
                            const std::string& prompt) override;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include <QDBusConnection>

#include "notification_actions.h"
#include "qt_desktop.h"

// A Linux desktop: notifications through org.freedesktop.Notifications on the session bus,
// administrator commands through pkexec.
class LinuxDesktop : public QtDesktop {
  public:
    // Notifications go to the notification server on `bus`.
    explicit LinuxDesktop(QDBusConnection bus = QDBusConnection::sessionBus());

    // Without a bus nothing is posted and nothing fails. Buttons are shown where the server
    // offers them.
    void notify(const std::string& id, const std::string& title, const std::string& body,
                const NoticeActions& actions) override;
    // The notification server shows buttons.
    bool showsButtons() { return actions_->offered(); }
    // pkexec runs the program itself, so the password dialog names the helper's script and
    // shows the message of its polkit action; `prompt` is not used. When already root the
    // program runs directly.
    Result<void> runAsAdmin(const std::vector<std::string>& words,
                            const std::string& prompt) override;

  private:
    QDBusConnection bus_;
    std::unique_ptr<NotificationActions> actions_;
};

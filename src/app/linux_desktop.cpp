// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux_desktop.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QVariantMap>

#include "base/tool_runner.h"
#include "desktop/admin_command.h"
#include "native_desktop.h"

std::shared_ptr<Desktop> nativeDesktop() {
    return std::make_shared<LinuxDesktop>();
}

LinuxDesktop::LinuxDesktop(QDBusConnection bus)
    : bus_(bus), actions_(std::make_unique<NotificationActions>(std::move(bus))) {}

void LinuxDesktop::notify(const std::string&, const std::string& title, const std::string& body,
                          const NoticeActions& actions) {
    if (!bus_.isConnected()) return;
    QStringList buttons;
    if (!actions.buttons.empty() && actions_->offered())
        for (const NoticeActions::Button& button : actions.buttons)
            buttons << QString::fromStdString(button.key) << QString::fromStdString(button.label);
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    QVariantMap hints{{"desktop-entry", QString("nattervane")}};
    call << QString("Nattervane") << uint(0) << QString() << QString::fromStdString(title)
         << QString::fromStdString(body) << buttons << hints << int(-1);
    // Sent without waiting: a missing notification server must not hold up the scan.
    if (buttons.isEmpty())
        bus_.send(call);
    else
        actions_->await(bus_.asyncCall(call), actions.chosen);
}

Result<void> LinuxDesktop::runAsAdmin(const std::vector<std::string>& words, const std::string&) {
    if (words.empty()) return {};
    const ToolRunner::Options options{.errors = ToolRunner::ErrorOutput::kept,
                                      .timeout = adminTimeout};
    if (geteuid() == 0) return AdminCommand::outcome(ToolRunner::run(words, options), std::nullopt);
    std::vector<std::string> argv{"/usr/bin/pkexec"};
    argv.insert(argv.end(), words.begin(), words.end());
    // pkexec exits with 126 when the password dialog was dismissed.
    return AdminCommand::outcome(ToolRunner::run(argv, options), 126);
}

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

LinuxDesktop::LinuxDesktop(QDBusConnection bus) : bus_(std::move(bus)) {}

void LinuxDesktop::notify(const std::string&, const std::string& title, const std::string& body) {
    if (!bus_.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    QVariantMap hints{{"desktop-entry", QString("nattervane")}};
    call << QString("Nattervane") << uint(0) << QString() << QString::fromStdString(title)
         << QString::fromStdString(body) << QStringList() << hints << int(-1);
    // Sent without waiting: a missing notification server must not hold up the scan.
    bus_.send(call);
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

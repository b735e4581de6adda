// SPDX-License-Identifier: GPL-3.0-or-later
#include "macos_desktop.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include "admin_script.h"
#include "base/tool_runner.h"
#include "desktop/admin_command.h"
#include "native_desktop.h"
#include "status_item.h"

std::shared_ptr<Desktop> nativeDesktop() {
    return std::make_shared<MacosDesktop>();
}

// The status item's messages have no buttons.
void MacosDesktop::notify(const std::string&, const std::string& title, const std::string& body,
                          const NoticeActions&) {
    QSystemTrayIcon* item = StatusItem::current();
    if (!item) return;
    // Without an icon of its own the notification shows the application's.
    item->showMessage(QString::fromStdString(title), QString::fromStdString(body), QIcon());
}

Result<void> MacosDesktop::runAsAdmin(const std::vector<std::string>& words,
                                      const std::string& prompt) {
    if (words.empty()) return {};
    const std::optional<std::string> script = AdminScript::source(words, prompt);
    if (!script) return Error{0, "a word of the administrator step holds a NUL byte"};
    Result<ToolRunner::Outcome> ran =
        ToolRunner::run({"/usr/bin/osascript", "-e", *script},
                        {.errors = ToolRunner::ErrorOutput::kept, .timeout = adminTimeout});
    // A dismissed password dialog is AppleScript's error -128, "User canceled".
    if (ran && ran->errors.find("(-128)") != std::string::npos) return {};
    return AdminCommand::outcome(ran, std::nullopt);
}

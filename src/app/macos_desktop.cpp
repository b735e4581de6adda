#include "macos_desktop.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include "admin_script.h"
#include "base/tool_runner.h"
#include "native_desktop.h"
#include "status_item.h"

std::shared_ptr<Desktop> nativeDesktop() {
    return std::make_shared<MacosDesktop>();
}

void MacosDesktop::notify(const std::string&, const std::string& title, const std::string& body) {
    QSystemTrayIcon* item = StatusItem::current();
    if (!item) return;
    // Without an icon of its own the notification shows the application's.
    item->showMessage(QString::fromStdString(title), QString::fromStdString(body), QIcon());
}

void MacosDesktop::runAsAdmin(const std::vector<std::string>& words, const std::string& prompt) {
    if (words.empty()) return;
    if (const std::optional<std::string> script = AdminScript::source(words, prompt))
        // Whether the step worked shows in the helper's status, which the caller reads next.
        static_cast<void>(runTool("/usr/bin/osascript", {"-e", *script}, adminTimeout));
}

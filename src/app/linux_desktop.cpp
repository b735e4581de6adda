#include "linux_desktop.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include "base/tool_runner.h"
#include "native_desktop.h"

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// Long enough to type a password; the command is ended after it.
constexpr double adminTimeout = 600;

} // namespace

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
    call << QString("Nattervane") << uint(0) << QString() << qt(title) << qt(body) << QStringList()
         << hints << int(-1);
    // Sent without waiting: a missing notification server must not hold up the scan.
    bus_.send(call);
}

std::optional<size_t> LinuxDesktop::ask(const Question& question) {
    QMessageBox box;
    box.setWindowTitle("Nattervane");
    box.setText(qt(question.message));
    box.setInformativeText(qt(question.informative));
    std::vector<QAbstractButton*> buttons;
    for (const std::string& text : question.buttons)
        buttons.push_back(box.addButton(qt(text), QMessageBox::ActionRole));
    // Closing the box counts as the last button, which never commits to anything.
    if (!buttons.empty()) box.setEscapeButton(buttons.back());
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return i;
    return std::nullopt;
}

void LinuxDesktop::runAsAdmin(const std::vector<std::string>& words, const std::string&) {
    if (words.empty()) return;
    if (geteuid() == 0)
        runTool(words.front(), {words.begin() + 1, words.end()}, adminTimeout);
    else
        runTool("/usr/bin/pkexec", words, adminTimeout);
}

void LinuxDesktop::openUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(qt(url)));
}

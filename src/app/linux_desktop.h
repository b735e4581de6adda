#pragma once

#include <QDBusConnection>

#include "desktop.h"

// A Linux desktop: notifications through org.freedesktop.Notifications on the session bus,
// questions as message boxes, administrator commands through pkexec.
class LinuxDesktop : public Desktop {
  public:
    // Notifications go to the notification server on `bus`.
    explicit LinuxDesktop(QDBusConnection bus = QDBusConnection::sessionBus());

    // Without a bus nothing is posted and nothing fails.
    void notify(const std::string& id, const std::string& title, const std::string& body) override;
    std::optional<size_t> ask(const Question& question) override;
    // pkexec shows the system's own authentication message, so `prompt` is not used; when
    // already root the command runs directly.
    void runAsAdmin(const std::string& command, const std::string& prompt) override;
    void openUrl(const std::string& url) override;

  private:
    QDBusConnection bus_;
};

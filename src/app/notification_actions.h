// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <string>

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QObject>

// The buttons of the notifications posted to the freedesktop notification server on one bus:
// whether the server shows buttons at all, and what is done when one is chosen. Only the
// server's own signals count; a notification closed lets go of its buttons.
class NotificationActions : public QObject {
    Q_OBJECT

  public:
    using Chosen = std::function<void(const std::string& key)>;

    explicit NotificationActions(QDBusConnection bus, QObject* parent = nullptr);

    // The server said it shows buttons; asked again while it has not.
    bool offered();
    // Keeps `chosen` for the notification the reply to the Notify `call` names.
    void await(const QDBusPendingCall& call, Chosen chosen);

  private slots:
    void invoked(uint id, const QString& key);
    void closed(uint id, uint reason);

  private:
    void askCapabilities();

    QDBusConnection bus_;
    bool offered_ = false;
    std::map<uint, Chosen> chosen_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "notification_actions.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString service = "org.freedesktop.Notifications";
const QString path = "/org/freedesktop/Notifications";
const QString interface = "org.freedesktop.Notifications";

} // namespace

NotificationActions::NotificationActions(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    // Naming the service makes the bus deliver only what its owner sends.
    bus_.connect(service, path, interface, "ActionInvoked", this, SLOT(invoked(uint, QString)));
    bus_.connect(service, path, interface, "NotificationClosed", this, SLOT(closed(uint, uint)));
    askCapabilities();
}

bool NotificationActions::offered() {
    if (!offered_) askCapabilities();
    return offered_;
}

void NotificationActions::askCapabilities() {
    if (!bus_.isConnected()) return;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, "GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        const QDBusPendingReply<QStringList> reply = *watcher;
        offered_ = offered_ || (reply.isValid() && reply.value().contains("actions"));
        watcher->deleteLater();
    });
}

void NotificationActions::await(const QDBusPendingCall& call, Chosen chosen) {
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, chosen = std::move(chosen)] {
                const QDBusPendingReply<uint> reply = *watcher;
                if (reply.isValid() && chosen) chosen_[reply.value()] = chosen;
                watcher->deleteLater();
            });
}

void NotificationActions::invoked(uint id, const QString& key) {
    const auto found = chosen_.find(id);
    if (found == chosen_.end()) return;
    // Taken out first: what it does may post notifications of its own.
    const Chosen chosen = std::move(found->second);
    chosen_.erase(found);
    chosen(key.toStdString());
}

void NotificationActions::closed(uint id, uint) {
    chosen_.erase(id);
}

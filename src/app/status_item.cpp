// SPDX-License-Identifier: GPL-3.0-or-later
#include "status_item.h"

#include <QPointer>
#include <QSystemTrayIcon>

namespace StatusItem {

namespace {

QPointer<QSystemTrayIcon>& published() {
    static QPointer<QSystemTrayIcon> item;
    return item;
}

} // namespace

void publish(QSystemTrayIcon* item) {
    published() = item;
}

QSystemTrayIcon* current() {
    return published().data();
}

} // namespace StatusItem

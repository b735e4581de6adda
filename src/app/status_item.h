// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QSystemTrayIcon;

// The status item while it is in the tray. The delegate makes it and publishes it here; the
// macOS desktop posts notifications as its messages, which the system shows in Notification
// Center. An item that is destroyed is forgotten.
namespace StatusItem {

void publish(QSystemTrayIcon* item);
// The item published last, or null when there is none or it is gone.
QSystemTrayIcon* current();

} // namespace StatusItem

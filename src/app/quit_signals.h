// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QObject>
#include <QSocketNotifier>

// Turns SIGTERM, SIGINT and SIGHUP (a session ending, a service stopping, Ctrl+C) into a call on
// the event loop, so the program can save what it holds before it ends instead of dying mid-way.
class QuitSignals : public QObject {
    Q_OBJECT

  public:
    // `onSignal` runs on the GUI thread once per signal received.
    explicit QuitSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~QuitSignals() override;

  private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

#include <QObject>
#include <QString>

#include "desktop/launch_options.h"

class AppDelegate;
class Model;

// Pictures of the window's four tabs in the light and dark appearance, the menu as text and the
// status picture, written into one folder without anyone at the keyboard.
class Snapshot : public QObject {
    Q_OBJECT

  public:
    Snapshot(AppDelegate& delegate, Model& model, QString directory);

    // Opens the window and takes the first picture after NATTERVANE_SNAPSHOT_WAIT seconds.
    void start();

  private:
    // Shows the job's tab in its appearance and takes the picture a second later.
    void shoot(size_t index);
    void picture(const SnapshotJob& job);
    // menu.txt and statusicon.png, then quits when NATTERVANE_SNAPSHOT_QUIT is "1".
    void finish();

    AppDelegate& delegate_;
    Model& model_;
    QString directory_;
    std::vector<SnapshotJob> jobs_ = LaunchOptions::snapshotJobs();
};

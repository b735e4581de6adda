// SPDX-License-Identifier: GPL-3.0-or-later
#include "snapshot.h"

#include <QDir>
#include <QTimer>
#include <QWidget>

#include "app_delegate.h"
#include "base/atomic_file.h"
#include "model.h"
#include "window/main_view.h"
#include "window/palette.h"

namespace {

constexpr int settleMilliseconds = 1000;

// The program the Programs picture shows when none is chosen: the first with trackers, else the
// first of all.
std::optional<std::string> showcase(const std::vector<AppRow>& apps) {
    for (const AppRow& row : apps)
        if (row.trackerCount >= 1) return row.name;
    if (apps.empty()) return std::nullopt;
    return apps.front().name;
}

} // namespace

Snapshot::Snapshot(AppDelegate& delegate, Model& model, QString directory)
    : delegate_(delegate), model_(model), directory_(std::move(directory)) {}

void Snapshot::start() {
    QDir().mkpath(directory_);
    delegate_.openWindow();
    const double wait =
        LaunchOptions::snapshotWait(LaunchOptions::variable("NATTERVANE_SNAPSHOT_WAIT"));
    QTimer::singleShot(qRound(wait * 1000), this, [this] { shoot(0); });
}

void Snapshot::shoot(size_t index) {
    if (index >= jobs_.size()) {
        finish();
        return;
    }
    const SnapshotJob& job = jobs_[index];
    Palette::force(job.dark);
    WindowState& state = delegate_.windowState();
    state.setTab(job.tab);
    if (job.tab == 0 && !state.selectedApp()) state.setSelectedApp(showcase(model_.apps()));
    if (auto* view = qobject_cast<MainView*>(delegate_.window())) view->refresh();
    QTimer::singleShot(settleMilliseconds, this, [this, index] {
        picture(jobs_[index]);
        shoot(index + 1);
    });
}

void Snapshot::picture(const SnapshotJob& job) {
    QWidget* window = delegate_.window();
    if (!window) return;
    window->grab().save(QString::fromStdString(job.fileIn(directory_.toStdString())), "PNG");
}

void Snapshot::finish() {
    const std::string directory = directory_.toStdString();
    // A snapshot is a picture for whoever asked; a missing file is the sign it failed.
    static_cast<void>(
        AtomicFile::write(directory + "/menu.txt", dumpMenu(delegate_.menuEntries())));
    delegate_.statusImage().save(QString::fromStdString(directory + "/statusicon.png"), "PNG");
    if (LaunchOptions::quitsAfterSnapshot(LaunchOptions::variable("NATTERVANE_SNAPSHOT_QUIT")))
        model_.quit();
}

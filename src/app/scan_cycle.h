// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include "observe/connection.h"
#include "observe/scanner.h"

// When and how connections are looked for: scans on a worker thread, on a timer and on demand;
// while the event service is live, waits for its events between scans so that a new connection
// shows as it is made and a name that came later replaces the address; while it is not, tries its
// socket again, soon after it went and less often the longer it stays away. What is found is
// handed to the hooks on the GUI thread, never while a modal question is open.
class ScanCycle : public QObject {
    Q_OBJECT

  public:
    struct Hooks {
        std::function<bool()> paused;
        std::function<bool()> includeLocal;
        // A modal question is open: nothing starts and what arrives waits for its answer.
        std::function<bool()> holding;
        // The connections shown that are still known by their address only.
        std::function<std::vector<Connection>()> unnamed;
        // A scan's connections.
        std::function<void(const std::vector<Connection>&)> scanned;
        // Connections the events told of since, and shown ones that were named since.
        std::function<void(const std::vector<Connection>& fresh,
                           const std::vector<Connection>& named)>
            glanced;
        // Where connections come from changed without a scan to tell it.
        std::function<void()> sourceChanged;
    };

    ScanCycle(std::unique_ptr<Scanner> scanner, Hooks hooks, QObject* parent = nullptr);
    // Waits for the worker's task in flight to end.
    ~ScanCycle() override;

    Scanner& scanner() { return *scanner_; }
    const Scanner& scanner() const { return *scanner_; }
    // Starts one scan unless paused, holding or one is in flight.
    void scan();
    // Scans every `seconds` (at least 2 s) from now on.
    void reschedule(double seconds);
    // The modal question closed: a scan result that arrived meanwhile is handed on.
    void release();
    const ScanSource& source() const { return source_; }
    bool scanning() const { return scanning_; }

  private:
    void receive(std::vector<Connection> connections, ScanSource source);
    // Takes where the connections come from, and says it on standard error when it changed.
    void noteSource(const ScanSource& source);
    void retryFeed();
    void glance();
    void receiveGlance(std::vector<Connection> fresh, std::vector<Connection> named,
                       ScanSource source);

    std::unique_ptr<Scanner> scanner_;
    Hooks hooks_;
    ScanSource source_;
    bool told_ = false;
    bool scanning_ = false;
    bool glancing_ = false;
    bool reconnecting_ = false;
    // The resolver's count of names learnt when the shown unnamed connections were last looked
    // up: a glance looks them up again only once it moved.
    uint64_t namesLearnt_ = 0;
    struct ScanResult {
        std::vector<Connection> connections;
        ScanSource source;
    };
    std::optional<ScanResult> held_;
    QTimer scanTimer_{this};
    QTimer feedTimer_{this};
    std::chrono::milliseconds feedRetry_;
    // One worker thread: scans run one after another, never beside each other.
    QThreadPool queue_;
};

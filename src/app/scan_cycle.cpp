// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan_cycle.h"

#include <algorithm>
#include <iostream>
#include <limits>

#include "base/lang.h"
#include "present/source_text.h"

using namespace std::chrono_literals;

namespace {

constexpr double shortestInterval = 2.0;
// While the event service is not live its socket is tried again, soon after it went and less
// often the longer it stays away: back within a moment of a restart, next to free when it is not
// installed.
constexpr std::chrono::milliseconds firstFeedRetry = 1s;
constexpr std::chrono::milliseconds longestFeedRetry = 16s;
// How long a glance waits on the service's socket before the worker may scan.
constexpr std::chrono::milliseconds glanceWait = 250ms;

} // namespace

ScanCycle::ScanCycle(std::unique_ptr<Scanner> scanner, Hooks hooks, QObject* parent)
    : QObject(parent), scanner_(std::move(scanner)), hooks_(std::move(hooks)),
      source_(scanner_->scanSource()), feedRetry_(firstFeedRetry) {
    scanTimer_.setObjectName("scanTimer");
    connect(&scanTimer_, &QTimer::timeout, this, &ScanCycle::scan);
    feedTimer_.setObjectName("feedTimer");
    feedTimer_.setSingleShot(true);
    connect(&feedTimer_, &QTimer::timeout, this, &ScanCycle::retryFeed);
    queue_.setMaxThreadCount(1);
    queue_.setExpiryTimeout(-1);
}

ScanCycle::~ScanCycle() {
    queue_.waitForDone();
}

void ScanCycle::reschedule(double seconds) {
    // The timer counts in int milliseconds; longer periods wait as long as it can.
    constexpr double longestInterval = std::numeric_limits<int>::max() / 1000.0;
    if (!(seconds >= shortestInterval)) seconds = shortestInterval;
    seconds = std::min(seconds, longestInterval);
    scanTimer_.start(std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000)));
}

void ScanCycle::scan() {
    if (hooks_.paused() || scanning_ || hooks_.holding()) return;
    scanning_ = true;
    bool includeLocal = hooks_.includeLocal();
    // The worker uses only the scanner, and the destructor waits for it; the result, queued with
    // this object as context, is dropped when it is gone by the time it arrives.
    queue_.start([this, includeLocal] {
        std::vector<Connection> connections = scanner_->scan(includeLocal);
        ScanSource source = scanner_->scanSource();
        QMetaObject::invokeMethod(
            this,
            [this, connections = std::move(connections), source = std::move(source)]() mutable {
                receive(std::move(connections), std::move(source));
            },
            Qt::QueuedConnection);
    });
}

void ScanCycle::receive(std::vector<Connection> connections, ScanSource source) {
    // A question or alert runs its own event loop; the result waits for its answer, and
    // `scanning_` stays set meanwhile, so no other scan starts.
    if (hooks_.holding()) {
        held_ = ScanResult{std::move(connections), std::move(source)};
        return;
    }
    noteSource(source);
    hooks_.scanned(connections);
    glance();
    scanning_ = false;
}

void ScanCycle::release() {
    if (hooks_.holding() || !held_) return;
    // Handed on once the caller has acted on the answer.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!held_ || hooks_.holding()) return;
            ScanResult result = std::move(*held_);
            held_.reset();
            receive(std::move(result.connections), std::move(result.source));
        },
        Qt::QueuedConnection);
}

void ScanCycle::noteSource(const ScanSource& source) {
    // Said once each time it changes, so that the system's log tells when the events came and
    // went.
    if (source != source_ || !told_)
        std::cerr << "nattervane: connections come from " << SourceText::describe(source, Lang::en)
                  << "\n";
    told_ = true;
    source_ = source;
    if (source.events == EventFeed::State::live) {
        feedTimer_.stop();
        feedRetry_ = firstFeedRetry;
    } else if (!feedTimer_.isActive() && !reconnecting_) {
        feedTimer_.start(feedRetry_);
    }
}

void ScanCycle::retryFeed() {
    // A scan in flight tries the socket itself; paused or holding, the next scan does.
    if (source_.events == EventFeed::State::live || hooks_.paused() || scanning_ ||
        hooks_.holding())
        return;
    reconnecting_ = true;
    queue_.start([this] {
        bool live = scanner_->reconnect();
        QMetaObject::invokeMethod(
            this,
            [this, live] {
                reconnecting_ = false;
                feedRetry_ = std::min(feedRetry_ * 2, longestFeedRetry);
                // Taken up with a scan, which also takes what the service told meanwhile.
                live ? scan() : feedTimer_.start(feedRetry_);
            },
            Qt::QueuedConnection);
    });
}

void ScanCycle::glance() {
    if (glancing_ || hooks_.paused() || source_.events != EventFeed::State::live) return;
    glancing_ = true;
    bool includeLocal = hooks_.includeLocal();
    uint64_t learnt = scanner_->resolver().learnt();
    std::vector<Connection> waiting =
        learnt != namesLearnt_ ? hooks_.unnamed() : std::vector<Connection>{};
    namesLearnt_ = learnt;
    queue_.start([this, includeLocal, unnamed = std::move(waiting)]() mutable {
        // Waits on the service's socket; a scan asked for meanwhile runs after it.
        std::vector<Connection> fresh = scanner_->glance(includeLocal, glanceWait);
        std::vector<Connection> named = scanner_->named(std::move(unnamed));
        ScanSource source = scanner_->scanSource();
        QMetaObject::invokeMethod(
            this,
            [this, fresh = std::move(fresh), named = std::move(named),
             source = std::move(source)]() mutable {
                receiveGlance(std::move(fresh), std::move(named), std::move(source));
            },
            Qt::QueuedConnection);
    });
}

void ScanCycle::receiveGlance(std::vector<Connection> fresh, std::vector<Connection> named,
                              ScanSource source) {
    if (hooks_.holding() && (!fresh.empty() || !named.empty())) {
        // Handed on once the question is answered; no other glance starts meanwhile.
        QTimer::singleShot(
            glanceWait, this,
            [this, fresh = std::move(fresh), named = std::move(named), source]() mutable {
                receiveGlance(std::move(fresh), std::move(named), std::move(source));
            });
        return;
    }
    glancing_ = false;
    if (!fresh.empty() || !named.empty()) hooks_.glanced(fresh, named);
    if (source.events == EventFeed::State::live) return glance();
    // The service went: said now, and what it no longer tells is scanned for at once.
    noteSource(source);
    hooks_.sourceChanged();
    scan();
}

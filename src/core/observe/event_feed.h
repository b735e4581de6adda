// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "base/dates.h"
#include "base/owned_fd.h"
#include "observe/connect_event.h"

// The application's end of the event service's socket. Each `take` connects when not connected
// (the service may have started, or come back after a restart), then takes every connection event
// that arrived since the last one. A service that has written nothing, not even its heartbeat,
// for `silence` counts as gone: the connection is dropped and made again at a later take.
class EventFeed {
  public:
    enum class State {
        // No socket to connect to: the service is not installed or not running.
        absent,
        // Connected, and the service has greeted.
        live,
        // The service turned this user away (see `problem`).
        refused,
        // The service stopped answering, or wrote what is not its protocol (see `problem`).
        lost,
    };

    explicit EventFeed(std::string socketPath, std::chrono::milliseconds silence = kSilence,
                       Dates::Clock clock = std::chrono::system_clock::now);

    // With `wait`, a live feed first waits that long at most for the service to write.
    std::vector<ConnectEvent> take(std::chrono::milliseconds wait = {});
    State state() const { return state_; }
    bool live() const { return state_ == State::live; }
    // Why the feed is refused or lost; empty otherwise.
    const std::string& problem() const { return problem_; }
    // Events the service's kernel side had no room for, as its last heartbeat said.
    uint64_t dropped() const { return dropped_; }

    static constexpr std::chrono::milliseconds kSilence{3000};
    // A line longer than this is no line of the service's.
    static constexpr size_t kLongestLine = 64 * 1024;

  private:
    void connect();
    // Reads what the socket holds; false when the connection ended.
    bool receive(std::vector<ConnectEvent>& events);
    void handle(std::string_view line, std::vector<ConnectEvent>& events);
    void drop(State state, std::string problem);

    std::string socketPath_;
    std::chrono::milliseconds silence_;
    Dates::Clock clock_;
    OwnedFd socket_;
    std::string pending_;
    Dates::TimePoint heard_;
    State state_ = State::absent;
    std::string problem_;
    uint64_t dropped_ = 0;
};

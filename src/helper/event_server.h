// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "base/owned_fd.h"
#include "base/result.h"

// The event service's Unix socket. The processes of one user (and root) are let in and greeted,
// a few per user and a few in all; any other is told why not and let go. Every line goes to every
// client without ever waiting on one: a client that lets more than `backlogBytes` pile up is let
// go, so what the service holds stays small whatever its clients do.
class EventServer {
  public:
    struct Limits {
        size_t backlogBytes = 256 << 10;
        size_t perUser = 8;
        size_t total = 32;
    };

    // Listens at `path` (a stale socket there is replaced), open for `user` and root.
    static Result<EventServer> listen(const std::string& path, uid_t user, Limits limits);
    static Result<EventServer> listen(const std::string& path, uid_t user) {
        return listen(path, user, Limits{});
    }

    int listenFd() const { return listener_.get(); }
    // Takes in (a bounded number of) the connections waiting at the socket. False when the
    // process is out of descriptors: the socket is best left unwatched for a moment.
    bool accept();
    // Queues `line` for every client; lets go of those that let too much pile up.
    void broadcast(std::string_view line);
    // Writes what each client's socket takes now; lets go of clients that went away.
    void flush();
    size_t clients() const { return clients_.size(); }
    // Lines a client did not get because it did not read.
    uint64_t lost() const { return lost_; }
    // Clients let go because they did not read.
    uint64_t dropped() const { return dropped_; }

  private:
    struct Client {
        OwnedFd fd;
        uid_t uid;
        std::deque<std::string> lines;
        size_t bytes = 0;
        // How much of the first line went out already.
        size_t sent = 0;
    };

    EventServer(OwnedFd listener, uid_t user, Limits limits)
        : listener_(std::move(listener)), user_(user), limits_(limits) {}
    // Greets the client at `fd`, or tells it why not and lets it go.
    void admit(OwnedFd fd);
    // Why a client of `uid` (absent when unknown) is not let in; empty when it is.
    std::string refusal(std::optional<uid_t> uid) const;
    // False when the client is gone.
    bool write(Client& client);

    OwnedFd listener_;
    uid_t user_;
    Limits limits_;
    std::vector<Client> clients_;
    uint64_t lost_ = 0;
    uint64_t dropped_ = 0;
};

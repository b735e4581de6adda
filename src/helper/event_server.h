// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "base/owned_fd.h"
#include "base/result.h"
#include "observe/ask_wire.h"

// The event service's Unix socket. The processes of one user (and root) are let in and greeted,
// a few per user and a few in all; any other is told why not and let go. Every line goes to every
// client it is for without ever waiting on one: a client that lets more than `backlogBytes` pile
// up is let go, so what the service holds stays small whatever its clients do. A client may write
// requests about held questions, one short line each; once it asked for questions it gets those
// instead of the connection events, and while it is attached the service holds connections.
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
    // Who a line is for.
    enum class Audience { events, questions, all };

    // What the greeting says of holding (see EventWire::Hello).
    void setHold(std::string hold) { hold_ = std::move(hold); }
    // Takes in (a bounded number of) the connections waiting at the socket. False when the
    // process is out of descriptors: the socket is best left unwatched for a moment.
    bool accept();
    // Queues `line` for every client it is for; lets go of those that let too much pile up.
    void broadcast(std::string_view line, Audience audience = Audience::events);
    // Reads what clients wrote: hands each answer and extension to `take`; a client that asks for
    // questions gets `waiting` first (the lines of the questions waiting now). A client that
    // writes what is no request, or too long a line, is let go.
    void receive(const std::function<void(const AskWire::Request&)>& take,
                 const std::function<std::vector<std::string>()>& waiting);
    // Clients attached to answer questions.
    size_t attached() const;
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
        std::deque<std::string> lines{};
        size_t bytes = 0;
        // How much of the first line went out already.
        size_t sent = 0;
        // What it wrote that makes no whole line yet.
        std::string received{};
        bool questions = false;
        bool attached = false;
    };

    EventServer(OwnedFd listener, uid_t user, Limits limits)
        : listener_(std::move(listener)), user_(user), limits_(limits) {}
    // Greets the client at `fd`, or tells it why not and lets it go.
    void admit(OwnedFd fd);
    // Why a client of `uid` (absent when unknown) is not let in; empty when it is.
    std::string refusal(std::optional<uid_t> uid) const;
    // False when the client is gone.
    bool write(Client& client);
    void queue(Client& client, std::string_view line);
    // False when the client is to go.
    bool read(Client& client, const std::function<void(const AskWire::Request&)>& take,
              const std::function<std::vector<std::string>()>& waiting);

    OwnedFd listener_;
    uid_t user_;
    Limits limits_;
    std::vector<Client> clients_;
    uint64_t lost_ = 0;
    uint64_t dropped_ = 0;
    std::string hold_;
};

#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "base/owned_fd.h"
#include "base/result.h"

// The event service's Unix socket. The processes of one user (and root) are let in and greeted;
// any other is told why not and let go. Every line goes to every client without ever waiting on
// one: a client that does not read loses its oldest lines past `backlogBytes`.
class EventServer {
  public:
    // Listens at `path` (a stale socket there is replaced), open for `user` and root.
    static Result<EventServer> listen(const std::string& path, uid_t user,
                                      size_t backlogBytes = 8 << 20);

    int listenFd() const { return listener_.get(); }
    // Takes in the connections waiting at the socket.
    void accept();
    // Queues `line` for every client.
    void broadcast(std::string_view line);
    // Writes what each client's socket takes now; lets go of clients that went away.
    void flush();
    size_t clients() const { return clients_.size(); }
    // Lines no client got because it did not read.
    uint64_t lost() const { return lost_; }

  private:
    struct Client {
        OwnedFd fd;
        std::deque<std::string> lines;
        size_t bytes = 0;
        // How much of the first line went out already.
        size_t sent = 0;
    };

    EventServer(OwnedFd listener, uid_t user, size_t backlogBytes)
        : listener_(std::move(listener)), user_(user), backlogBytes_(backlogBytes) {}
    // False when the client is gone.
    bool write(Client& client);

    OwnedFd listener_;
    uid_t user_;
    size_t backlogBytes_;
    std::vector<Client> clients_;
    uint64_t lost_ = 0;
};

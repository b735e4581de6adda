// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "base/owned_fd.h"

// A stand-in for the event service: a listening socket whose one client gets what the test
// writes.
class FakeEventService {
  public:
    explicit FakeEventService(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        listener_.reset(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_.get(), 4);
    }
    // Takes the client that connected, or waits for one.
    void accept() { client_.reset(::accept(listener_.get(), nullptr, nullptr)); }
    // False when the client could not be told all of `text`.
    bool say(const std::string& text) {
        return write(client_.get(), text.data(), text.size()) == ssize_t(text.size());
    }
    void hangUp() { client_.reset(); }

  private:
    OwnedFd listener_, client_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A TCP connection from this process to itself, open while the object lives. The address is
// 127.0.0.1 unless another one assigned to this machine (say, inside a private network namespace)
// is given.
class LoopbackConnection {
  public:
    explicit LoopbackConnection(const char* ipv4 = "127.0.0.1") {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        socklen_t length = sizeof address;
        if (inet_pton(AF_INET, ipv4, &address.sin_addr) != 1 ||
            bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on loopback");
        port_ = ntohs(address.sin_port);
        client_ = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(client_, reinterpret_cast<sockaddr*>(&address), length) != 0)
            throw std::runtime_error("cannot connect on loopback");
        server_ = accept(listener_, nullptr, nullptr);
    }
    ~LoopbackConnection() {
        for (int fd : {client_, server_, listener_})
            close(fd);
    }
    LoopbackConnection(const LoopbackConnection&) = delete;
    LoopbackConnection& operator=(const LoopbackConnection&) = delete;

    // The port the client connected to: the remote port of the client's flow.
    int64_t port() const { return port_; }

  private:
    int listener_ = -1;
    int client_ = -1;
    int server_ = -1;
    int64_t port_ = 0;
};

#pragma once

#include <cstdint>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A TCP connection from this process to itself over 127.0.0.1, open while the object lives.
class LoopbackConnection {
  public:
    LoopbackConnection() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
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

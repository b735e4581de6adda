// SPDX-License-Identifier: GPL-3.0-or-later
// Makes short TCP connections, one after another, each held for a time drawn from 1 to 50 ms and
// then closed by this side, or left to the exit with --exit: the connections of a program that
// lives shorter than a scan's period. Prints how many opened, and why each that did not failed.
//   short_connections [--exit] PORT IPV4...
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Opens a connection to `ip`:`port`; the descriptor, or -1.
int connectTo(const char* ip, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, ip, &address.sin_addr) != 1) return -1;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    std::fprintf(stderr, "%s\n", std::strerror(errno));
    close(fd);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    bool exitOpen = argc > 1 && std::strcmp(argv[1], "--exit") == 0;
    int first = exitOpen ? 2 : 1;
    if (argc < first + 2) {
        std::fprintf(stderr, "usage: short_connections [--exit] PORT IPV4...\n");
        return 2;
    }
    int port = std::atoi(argv[first]);
    std::mt19937 random(static_cast<unsigned>(getpid()));
    std::uniform_int_distribution<int> held(1, 50);
    int opened = 0;
    for (int i = first + 1; i < argc; ++i) {
        int fd = connectTo(argv[i], port);
        if (fd < 0) continue;
        ++opened;
        std::this_thread::sleep_for(std::chrono::milliseconds(held(random)));
        // With --exit the last connection goes with the process.
        if (!exitOpen || i + 1 < argc) close(fd);
    }
    std::printf("%d\n", opened);
    return opened == argc - first - 1 ? 0 : 1;
}

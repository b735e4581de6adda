// SPDX-License-Identifier: GPL-3.0-or-later
// Holds one TCP connection to itself on the IPv4 address given as the only argument, prints
// "ready" once it is open and keeps it until standard input closes or 60 seconds pass, so a
// scan run meanwhile sees a flow to that address.
#include <cstdio>
#include <exception>

#include <poll.h>
#include <unistd.h>

#include "loopback_connection.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: hold_connection IPV4\n");
        return 2;
    }
    try {
        LoopbackConnection connection(argv[1]);
        std::printf("ready\n");
        std::fflush(stdout);
        pollfd input{STDIN_FILENO, POLLIN, 0};
        poll(&input, 1, 60'000);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hold_connection: %s\n", error.what());
        return 1;
    }
    return 0;
}

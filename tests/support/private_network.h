// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <sched.h>
#include <string>

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "child_process.h"

// Moves this process into a network namespace of its own and brings its loopback up; false when
// that cannot be done (not root). Nothing sent from there can leave the namespace.
inline bool enterPrivateNetwork() {
    if (unshare(CLONE_NEWNET) != 0) return false;
    int sock = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::snprintf(request.ifr_name, IFNAMSIZ, "lo");
    request.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    bool up = ioctl(sock, SIOCSIFFLAGS, &request) == 0;
    close(sock);
    return up;
}

// Runs `body` in a forked child inside a network namespace of its own, with loopback up, and
// returns the text it produced. Absent when no namespace can be made (not root). Nothing the body
// sends can leave the namespace.
inline std::optional<std::string> inPrivateNetwork(const std::function<std::string()>& body) {
    return inChild([&] {
        if (!enterPrivateNetwork()) _exit(3);
        return body();
    });
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What a lister tells of a socket beyond its remote endpoint and counters: the kernel's socket
// dump tells all of it, `ss -e` the cookie and the user, the other tools nothing.
struct SocketFacts {
    // The kernel's cookie of the socket: the same from its connect() to the end of its TIME-WAIT;
    // 0 when not told.
    uint64_t cookie = 0;
    // The user and the cgroup (v2) of the process that made the socket; absent or 0 when not told.
    std::optional<uint32_t> uid{};
    uint64_t cgroupId = 0;
    // The socket's own end.
    std::string localIP{};
    int64_t localPort = 0;
    // No descriptor holds it any more: its program closed it and the kernel is finishing it
    // (TIME-WAIT, or a close still being acknowledged).
    bool closed = false;
    // A listening socket of this system accepted it: the other end connected to us.
    bool incoming = false;

    bool operator==(const SocketFacts&) const = default;
};

// One socket with a remote endpoint as a lister reports it, before the processes holding it are
// known: read from `ss -e` text or from the kernel's socket dump. The inode is 0 when none is
// known (a socket no descriptor holds any more).
struct ListedSocket {
    std::string proto;
    std::string remoteIP;
    int64_t remotePort = 0;
    uint64_t inode = 0;
    int64_t bytesIn = 0;
    int64_t bytesOut = 0;
    SocketFacts facts{};

    bool operator==(const ListedSocket&) const = default;
};

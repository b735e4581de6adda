#pragma once

#include <cstdint>
#include <string>

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

    bool operator==(const ListedSocket&) const = default;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "observe/listed_socket.h"

// The kernel's own table of TCP and UDP sockets, read in-process over a NETLINK_SOCK_DIAG dump
// (Linux): the facts `ss -H -t -u -n -i -e` prints, without a process or any text. Elsewhere the
// dump is never available.
namespace SockDiag {

enum class Protocol { tcp, udp };

// The local ends (address, port) that TCP sockets listen on.
using Listening = std::set<std::pair<std::string, int64_t>>;

// What the messages of one dump have told so far.
struct Reading {
    // The sockets of each family in the order the kernel sent them; ss lists the IPv4 ones first.
    std::vector<ListedSocket> ipv4;
    std::vector<ListedSocket> ipv6;
    // The kernel sent the message that ends the dump.
    bool done = false;
    // The kernel answered with an error instead: the dump cannot be had.
    bool failed = false;
    // Where the TCP sockets of the dump listen.
    Listening listening{};

    bool operator==(const Reading&) const = default;
};

// Adds what one received datagram of a `protocol` dump holds to `reading`. The sockets ss lists
// by default are kept, and those in TIME-WAIT: not listening, closed or in SYN-RECV, and with a
// remote port; of a listening one only its local end is kept, in `listening`. Counters come from
// the socket's tcp_info; cookie, user, cgroup and local end from the message. A message that is cut
// short or does not fit its format is skipped; a length that cannot be right ends the datagram.
void read(std::string_view datagram, Protocol protocol, Reading& reading);

// Marks as incoming each TCP socket whose local end one of `listening` is, on its address or on
// every address (0.0.0.0 or ::): the listener accepted it.
void markAccepted(std::vector<ListedSocket>& sockets, const Listening& listening);

// The UDP and TCP sockets of IPv4 and IPv6, in the order ss prints them, the accepted ones marked
// incoming; fails when the kernel
// does not answer (no netlink here, not permitted, or an error).
Result<std::vector<ListedSocket>> dump();

} // namespace SockDiag

#pragma once

#include <string_view>
#include <vector>

#include "base/result.h"
#include "observe/listed_socket.h"

// The kernel's own table of TCP and UDP sockets, read in-process over a NETLINK_SOCK_DIAG dump
// (Linux): the facts `ss -H -t -u -n -i -e` prints, without a process or any text. Elsewhere the
// dump is never available.
namespace SockDiag {

enum class Protocol { tcp, udp };

// What the messages of one dump have told so far.
struct Reading {
    // The sockets of each family in the order the kernel sent them; ss lists the IPv4 ones first.
    std::vector<ListedSocket> ipv4;
    std::vector<ListedSocket> ipv6;
    // The kernel sent the message that ends the dump.
    bool done = false;
    // The kernel answered with an error instead: the dump cannot be had.
    bool failed = false;

    bool operator==(const Reading&) const = default;
};

// Adds what one received datagram of a `protocol` dump holds to `reading`. The sockets ss lists
// by default are kept, and those in TIME-WAIT: not listening, closed or in SYN-RECV, and with a
// remote port. Counters come from the socket's tcp_info; cookie, user, cgroup and local end from
// the message. A message that is cut short or does not fit its format is skipped; a length that
// cannot be right ends the datagram.
void read(std::string_view datagram, Protocol protocol, Reading& reading);

// The UDP and TCP sockets of IPv4 and IPv6, in the order ss prints them; fails when the kernel
// does not answer (no netlink here, not permitted, or an error).
Result<std::vector<ListedSocket>> dump();

} // namespace SockDiag

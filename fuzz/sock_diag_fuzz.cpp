// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of NETLINK_SOCK_DIAG dump datagrams on arbitrary bytes, as a TCP and as a UDP dump:
// no crash, hang or sanitizer report, and every socket it keeps has an address and a port.
#include "base/net.h"
#include "fuzz_check.h"
#include "observe/sock_diag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (SockDiag::Protocol protocol : {SockDiag::Protocol::tcp, SockDiag::Protocol::udp}) {
        SockDiag::Reading reading;
        SockDiag::read(FuzzCheck::text(data, size), protocol, reading);
        std::vector<ListedSocket> sockets = reading.ipv4;
        sockets.insert(sockets.end(), reading.ipv6.begin(), reading.ipv6.end());
        for (const ListedSocket& socket : sockets) {
            FuzzCheck::require(Net::isValidIP(socket.remoteIP), "the remote address is an address");
            FuzzCheck::require(socket.remotePort > 0 && socket.remotePort <= 65535,
                               "the remote port is a port");
            FuzzCheck::require(socket.bytesIn >= 0 && socket.bytesOut >= 0,
                               "the counters are not negative");
        }
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/sock_diag.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/tcp.h>
#include <optional>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "base/net.h"
#include "base/owned_fd.h"

namespace SockDiag {

namespace {

// The kernel's TCP state numbers (include/net/tcp_states.h); UDP reuses ESTABLISHED for a
// connected socket and CLOSE for an unconnected one.
enum State : uint8_t {
    established = 1,
    synSent = 2,
    finWait1 = 4,
    finWait2 = 5,
    timeWait = 6,
    closeWait = 8,
    lastAck = 9,
    listen = 10,
    closing = 11,
};

// The states ss shows without -a or a state filter (all but LISTEN, CLOSE, TIME-WAIT and
// SYN-RECV), and TIME-WAIT: what the closing end of a connection leaves for a minute, so that a
// connection closed between two scans is still seen.
constexpr uint32_t listedStates = 1u << established | 1u << synSent | 1u << finWait1 |
                                  1u << finWait2 | 1u << timeWait | 1u << closeWait |
                                  1u << lastAck | 1u << closing;
// TCP is asked for its listening sockets too, to tell the connections they accepted.
constexpr uint32_t tcpStates = listedStates | 1u << listen;

// The most a dump may bring, as much as a lister tool may print: far beyond any real one.
constexpr size_t dumpLimit = size_t{64} << 20;
// The kernel fills at most about 32 KiB into one datagram of a dump.
constexpr size_t datagramBuffer = size_t{64} << 10;
// A kernel that does not answer within this time is given up on, and the tools list instead.
constexpr time_t answerSeconds = 5;

template <typename T> T copied(std::string_view bytes) {
    T value{};
    std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
    return value;
}

// A counter as ss prints it: absent while zero (ss leaves it out) or beyond what a signed
// 64-bit number holds (the text parser cannot read it).
std::optional<int64_t> counter(uint64_t value) {
    if (value == 0 || value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return std::nullopt;
    return static_cast<int64_t>(value);
}

// The byte counters of a tcp_info attribute. An older kernel's shorter tcp_info leaves the
// newer fields zero, as ss reads them. bytes_acked counts the SYN, which is no data.
void readCounters(std::string_view info, ListedSocket& socket) {
    tcp_info read = copied<tcp_info>(info);
    socket.bytesIn = counter(read.tcpi_bytes_received).value_or(0);
    auto sent = counter(read.tcpi_bytes_sent);
    auto acked = counter(read.tcpi_bytes_acked);
    socket.bytesOut = sent ? *sent : acked ? std::max<int64_t>(*acked - 1, 0) : 0;
}

// Walks the attributes after an inet_diag_msg and reads the tcp_info (of TCP only) and the
// cgroup among them. An attribute whose length cannot be right ends the walk.
void readAttributes(std::string_view attributes, Protocol protocol, ListedSocket& socket) {
    while (attributes.size() >= sizeof(rtattr)) {
        auto attribute = copied<rtattr>(attributes);
        size_t length = attribute.rta_len;
        if (length < sizeof(rtattr) || length > attributes.size()) return;
        std::string_view data = attributes.substr(RTA_LENGTH(0), length - RTA_LENGTH(0));
        int type = attribute.rta_type & NLA_TYPE_MASK;
        if (type == INET_DIAG_INFO && protocol == Protocol::tcp) readCounters(data, socket);
        if (type == INET_DIAG_CGROUP_ID && data.size() >= sizeof(uint64_t))
            socket.facts.cgroupId = copied<uint64_t>(data);
        attributes.remove_prefix(std::min<size_t>(RTA_ALIGN(length), attributes.size()));
    }
}

// An IPv4 address in network order, dotted as inet_ntop writes it but without printf, which is
// slow over thousands of sockets.
std::string dotted(uint32_t address) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&address);
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) text += '.';
        text += std::to_string(bytes[i]);
    }
    return text;
}

// The address of one end of a socket as text, or nothing for a family other than IPv4 and IPv6.
std::optional<std::string> addressText(uint8_t family, const uint32_t (&address)[4]) {
    if (family == AF_INET) return dotted(address[0]);
    if (family != AF_INET6) return std::nullopt;
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, address, text, sizeof text);
    return Net::unmapped(text);
}

void readSocket(std::string_view payload, Protocol protocol, Reading& reading) {
    if (payload.size() < sizeof(inet_diag_msg)) return;
    auto message = copied<inet_diag_msg>(payload);
    if (message.idiag_state == listen && protocol == Protocol::tcp) {
        if (auto local = addressText(message.idiag_family, message.id.idiag_src))
            reading.listening.emplace(std::move(*local), ntohs(message.id.idiag_sport));
        return;
    }
    if (message.idiag_state >= 32 || !(listedStates & 1u << message.idiag_state)) return;
    uint16_t port = ntohs(message.id.idiag_dport);
    if (port == 0) return;
    std::optional<std::string> remote = addressText(message.idiag_family, message.id.idiag_dst);
    if (!remote) return;
    ListedSocket socket{protocol == Protocol::tcp ? "tcp" : "udp",
                        std::move(*remote),
                        port,
                        message.idiag_inode,
                        0,
                        0};
    SocketFacts& facts = socket.facts;
    facts.cookie = message.id.idiag_cookie[0] | uint64_t{message.id.idiag_cookie[1]} << 32;
    facts.localIP = addressText(message.idiag_family, message.id.idiag_src).value_or("");
    facts.localPort = ntohs(message.id.idiag_sport);
    // A socket no descriptor holds; the kernel tells no user for one in TIME-WAIT.
    facts.closed = message.idiag_inode == 0;
    if (message.idiag_state != timeWait) facts.uid = message.idiag_uid;
    readAttributes(payload.substr(NLMSG_ALIGN(sizeof message)), protocol, socket);
    (message.idiag_family == AF_INET ? reading.ipv4 : reading.ipv6).push_back(std::move(socket));
}

// The error number a NLMSG_DONE or NLMSG_ERROR message carries first; 0 when it is cut short.
int carriedError(std::string_view payload) {
    return payload.size() < sizeof(int) ? 0 : copied<int>(payload);
}

} // namespace

void read(std::string_view datagram, Protocol protocol, Reading& reading) {
    while (datagram.size() >= NLMSG_HDRLEN && !reading.done && !reading.failed) {
        auto header = copied<nlmsghdr>(datagram);
        size_t length = header.nlmsg_len;
        if (length < NLMSG_HDRLEN || length > datagram.size()) return;
        std::string_view payload = datagram.substr(NLMSG_HDRLEN, length - NLMSG_HDRLEN);
        switch (header.nlmsg_type) {
        case NLMSG_DONE:
            // A dump the kernel broke off ends with the error in place of its count.
            reading.done = true;
            reading.failed = carriedError(payload) < 0;
            break;
        case NLMSG_ERROR:
            // An error of 0 is an acknowledgement; one cut short is an error all the same.
            reading.failed = payload.size() < sizeof(int) || carriedError(payload) != 0;
            break;
        // A socket, answering a request for one family or, in the older form, for both.
        case SOCK_DIAG_BY_FAMILY:
        case TCPDIAG_GETSOCK:
            readSocket(payload, protocol, reading);
            break;
        default:
            break;
        }
        datagram.remove_prefix(std::min<size_t>(NLMSG_ALIGN(length), datagram.size()));
    }
}

namespace {

// A socket for the kernel's socket dumps, which gives up on an answer after a while.
OwnedFd netlinkSocket() {
    OwnedFd fd(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    timeval timeout{answerSeconds, 0};
    if (fd) setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return fd;
}

// One dump request: of one family, or of both at once in the older form for TCP, which walks the
// kernel's table of TCP connections once instead of once per family.
struct Request {
    Protocol protocol;
    uint8_t family = AF_UNSPEC;
};

template <typename Body> bool send(int fd, uint16_t type, const Body& body, uint32_t sequence) {
    struct {
        nlmsghdr header;
        Body body;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = type;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = sequence;
    message.body = body;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    for (;;) {
        ssize_t sent = sendto(fd, &message, sizeof message, 0,
                              reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel);
        if (sent >= 0) return static_cast<size_t>(sent) == sizeof message;
        if (errno != EINTR) return false;
    }
}

bool send(int fd, const Request& request, uint32_t sequence) {
    const bool tcp = request.protocol == Protocol::tcp;
    uint8_t extensions = tcp ? 1 << (INET_DIAG_INFO - 1) : 0;
    if (request.family == AF_UNSPEC) {
        inet_diag_req body{};
        body.idiag_ext = extensions;
        body.idiag_states = tcpStates;
        return send(fd, TCPDIAG_GETSOCK, body, sequence);
    }
    inet_diag_req_v2 body{};
    body.sdiag_family = request.family;
    body.sdiag_protocol = request.protocol == Protocol::tcp ? IPPROTO_TCP : IPPROTO_UDP;
    body.idiag_ext = extensions;
    body.idiag_states = tcp ? tcpStates : listedStates;
    return send(fd, SOCK_DIAG_BY_FAMILY, body, sequence);
}

// Sends `request` and adds the sockets of its dump to `reading`, until the dump's end; fails when
// the kernel refuses it or does not answer, or the dump is cut short or grows beyond `budget`
// bytes, which it counts down.
Result<void> dumpInto(int fd, const Request& request, uint32_t sequence, std::string& buffer,
                      size_t& budget, Reading& reading) {
    reading.done = false;
    if (!send(fd, request, sequence)) return Error::fromErrno("cannot ask for the socket dump");
    while (!reading.done && !reading.failed) {
        // With MSG_TRUNC the whole datagram's length comes back, even when it did not fit.
        ssize_t count = recv(fd, buffer.data(), buffer.size(), MSG_TRUNC);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return Error::fromErrno("the socket dump did not answer");
        if (count == 0 || static_cast<size_t>(count) > buffer.size())
            return Error{EBADMSG, "the socket dump was cut short"};
        if (static_cast<size_t>(count) > budget)
            return Error{EFBIG,
                         "the socket dump grew beyond " + std::to_string(dumpLimit) + " bytes"};
        budget -= static_cast<size_t>(count);
        read(std::string_view(buffer.data(), static_cast<size_t>(count)), request.protocol,
             reading);
    }
    if (reading.failed) return Error{EPERM, "the kernel refused the socket dump"};
    return {};
}

} // namespace

void markAccepted(std::vector<ListedSocket>& sockets, const Listening& listening) {
    if (listening.empty()) return;
    for (ListedSocket& socket : sockets) {
        const int64_t port = socket.facts.localPort;
        socket.facts.incoming =
            socket.proto == "tcp" &&
            (listening.contains({socket.facts.localIP, port}) ||
             listening.contains({"0.0.0.0", port}) || listening.contains({"::", port}));
    }
}

Result<std::vector<ListedSocket>> dump() {
    OwnedFd netlink = netlinkSocket();
    if (!netlink) return Error::fromErrno("cannot open a socket for the socket dump");
    std::string buffer(datagramBuffer, '\0');
    size_t budget = dumpLimit;
    uint32_t sequence = 0;
    auto run = [&](const Request& request, Reading& reading) {
        return dumpInto(netlink.get(), request, ++sequence, buffer, budget, reading);
    };
    Reading udp, tcp;
    for (uint8_t family : {AF_INET, AF_INET6})
        if (Result<void> dumped = run({Protocol::udp, family}, udp); !dumped) return dumped.error();
    // A kernel without the older form answers with an error; then one family at a time.
    if (Result<void> both = run({Protocol::tcp}, tcp); !both) {
        if (!tcp.failed) return both.error();
        tcp = {};
        for (uint8_t family : {AF_INET, AF_INET6})
            if (Result<void> dumped = run({Protocol::tcp, family}, tcp); !dumped)
                return dumped.error();
    }
    for (std::vector<ListedSocket>* part : {&tcp.ipv4, &tcp.ipv6})
        markAccepted(*part, tcp.listening);
    // ss lists UDP before TCP, and IPv4 before IPv6 within each.
    std::vector<ListedSocket> sockets;
    sockets.reserve(udp.ipv4.size() + udp.ipv6.size() + tcp.ipv4.size() + tcp.ipv6.size());
    for (std::vector<ListedSocket>* part : {&udp.ipv4, &udp.ipv6, &tcp.ipv4, &tcp.ipv6})
        std::move(part->begin(), part->end(), std::back_inserter(sockets));
    return sockets;
}

} // namespace SockDiag

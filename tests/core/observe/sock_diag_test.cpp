// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <grp.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/tcp.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "child_process.h"
#include "observe/listers.h"
#include "observe/sock_diag.h"
#include "private_network.h"

namespace {

// The kernel's TCP state numbers.
namespace State {
constexpr uint8_t established = 1, synSent = 2, synRecv = 3, timeWait = 6, closed = 7,
                  closeWait = 8, listen = 10;
}

template <typename T> std::string bytesOf(const T& value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string aligned(std::string bytes) {
    bytes.resize(NLMSG_ALIGN(bytes.size()), '\0');
    return bytes;
}

// One netlink message as the kernel writes it into a dump.
std::string message(uint16_t type, const std::string& payload) {
    nlmsghdr header{};
    header.nlmsg_len = NLMSG_LENGTH(payload.size());
    header.nlmsg_type = type;
    header.nlmsg_flags = NLM_F_MULTI;
    return aligned(bytesOf(header) + payload);
}

std::string attribute(uint16_t type, const std::string& data) {
    rtattr header{static_cast<unsigned short>(RTA_LENGTH(data.size())), type};
    return aligned(bytesOf(header) + data);
}

// A tcp_info of `size` bytes: an older kernel's is shorter.
std::string tcpInfo(uint64_t received, uint64_t acked, uint64_t sent,
                    size_t size = sizeof(tcp_info)) {
    tcp_info info{};
    info.tcpi_bytes_received = received;
    info.tcpi_bytes_acked = acked;
    info.tcpi_bytes_sent = sent;
    return bytesOf(info).substr(0, size);
}

// A socket as the kernel describes it in a dump, answering a request of `type`.
std::string socketMessage(uint8_t family, uint8_t state, const char* peer, uint16_t port,
                          uint32_t inode, const std::string& attributes = "",
                          uint16_t type = SOCK_DIAG_BY_FAMILY) {
    inet_diag_msg diag{};
    diag.idiag_family = family;
    diag.idiag_state = state;
    inet_pton(family, peer, diag.id.idiag_dst);
    diag.id.idiag_dport = htons(port);
    diag.idiag_inode = inode;
    return message(type, bytesOf(diag) + attributes);
}

// The end of a dump, or (NLMSG_ERROR) an answer of the error alone.
std::string done(int error = 0, uint16_t type = NLMSG_DONE) {
    return message(type, bytesOf(error));
}

// What a reading holds but the sockets' facts, which only their own test looks at.
SockDiag::Reading withoutFacts(SockDiag::Reading reading) {
    for (auto* family : {&reading.ipv4, &reading.ipv6})
        for (ListedSocket& socket : *family)
            socket.facts = {};
    return reading;
}

SockDiag::Reading parsed(const std::string& datagram,
                         SockDiag::Protocol protocol = SockDiag::Protocol::tcp) {
    SockDiag::Reading reading;
    SockDiag::read(datagram, protocol, reading);
    return withoutFacts(reading);
}

const std::string served = socketMessage(AF_INET, State::established, "203.0.113.7", 443, 11,
                                         attribute(INET_DIAG_INFO, tcpInfo(91, 50, 37)));
const ListedSocket servedSocket{"tcp", "203.0.113.7", 443, 11, 91, 37};

} // namespace

TEST(SockDiagRead, KeepsWhatSsListsWithItsCounters) {
    // A kernel without tcpi_bytes_sent: the data sent is what was acknowledged less the SYN.
    size_t beforeBytesSent = offsetof(tcp_info, tcpi_bytes_received) + sizeof(uint64_t);
    std::string first =
        served +
        socketMessage(AF_INET6, State::established, "::ffff:198.51.100.2", 80, 12,
                      attribute(INET_DIAG_CONG, "cubic") +
                          attribute(INET_DIAG_INFO, tcpInfo(5, 6, 0, beforeBytesSent))) +
        // The older request for both families at once is answered with its own message type.
        socketMessage(AF_INET6, State::synSent, "2001:db8::1", 8443, 13, "", TCPDIAG_GETSOCK) +
        socketMessage(AF_INET, State::closeWait, "203.0.113.8", 443, 0,
                      attribute(INET_DIAG_INFO, tcpInfo(0, 1, 0)));
    // What ss leaves out: listening (only its local end is kept), closed and SYN-RECV sockets, a
    // remote port 0, and any other family. TIME-WAIT stays: it shows a connection closed since
    // the last scan.
    std::string second = socketMessage(AF_INET, State::listen, "0.0.0.0", 0, 14) +
                         socketMessage(AF_INET, State::timeWait, "203.0.113.9", 443, 0) +
                         socketMessage(AF_INET, State::synRecv, "203.0.113.9", 443, 0) +
                         socketMessage(AF_INET, State::closed, "203.0.113.9", 443, 15) +
                         socketMessage(AF_INET6, State::established, "2001:db8::2", 0, 16) +
                         socketMessage(AF_UNIX, State::established, "203.0.113.9", 443, 17) +
                         message(NLMSG_NOOP, "") + done();
    SockDiag::Reading reading;
    SockDiag::read(first, SockDiag::Protocol::tcp, reading);
    EXPECT_FALSE(reading.done);
    SockDiag::read(second, SockDiag::Protocol::tcp, reading);
    reading = withoutFacts(reading);
    std::vector<ListedSocket> ipv4{
        servedSocket, {"tcp", "203.0.113.8", 443, 0, 0, 0}, {"tcp", "203.0.113.9", 443, 0, 0, 0}};
    std::vector<ListedSocket> ipv6{{"tcp", "198.51.100.2", 80, 12, 5, 5},
                                   {"tcp", "2001:db8::1", 8443, 13, 0, 0}};
    EXPECT_EQ(reading, (SockDiag::Reading{ipv4, ipv6, true, false, {{"0.0.0.0", 0}}}));

    // UDP has no tcp_info to read.
    EXPECT_EQ(parsed(served, SockDiag::Protocol::udp).ipv4,
              (std::vector<ListedSocket>{{"udp", "203.0.113.7", 443, 11, 0, 0}}));
}

// The cookie, the user, the cgroup and the socket's own end; a TIME-WAIT socket tells no user.
TEST(SockDiagRead, TellsWhoMadeEachSocket) {
    auto withFacts = [](uint8_t family, uint8_t state, const char* local, uint32_t inode,
                        const std::string& attributes) {
        std::string bytes = socketMessage(family, state, family == AF_INET ? "203.0.113.7" : "::1",
                                          443, inode, attributes);
        auto* diag = reinterpret_cast<inet_diag_msg*>(bytes.data() + NLMSG_HDRLEN);
        inet_pton(family, local, diag->id.idiag_src);
        diag->id.idiag_sport = htons(40000);
        diag->id.idiag_cookie[0] = 0x89abcdef;
        diag->id.idiag_cookie[1] = 0x1;
        diag->idiag_uid = 1000;
        return bytes;
    };
    uint64_t cgroup = 4242;
    SockDiag::Reading reading;
    SockDiag::read(withFacts(AF_INET, State::established, "192.0.2.1", 11,
                             attribute(INET_DIAG_CGROUP_ID, bytesOf(cgroup))) +
                       withFacts(AF_INET6, State::timeWait, "::ffff:192.0.2.2", 0, "") +
                       // A cgroup attribute too short to hold one is not read.
                       withFacts(AF_INET, State::closeWait, "192.0.2.3", 0,
                                 attribute(INET_DIAG_CGROUP_ID, "ab")),
                   SockDiag::Protocol::udp, reading);
    EXPECT_EQ(reading.ipv4.at(0).facts,
              (SocketFacts{0x189abcdef, 1000, cgroup, "192.0.2.1", 40000}));
    EXPECT_EQ(reading.ipv6.at(0).facts,
              (SocketFacts{0x189abcdef, std::nullopt, 0, "192.0.2.2", 40000, true}));
    EXPECT_EQ(reading.ipv4.at(1).facts,
              (SocketFacts{0x189abcdef, 1000, 0, "192.0.2.3", 40000, true}));
}

// A TCP socket whose local end a listener has, on its address or on all, was accepted by it.
TEST(SockDiagRead, SocketsAListenerAcceptedAreIncoming) {
    auto at = [](const char* proto, const char* local, int64_t port) {
        ListedSocket socket{proto, "203.0.113.5", 50000};
        socket.facts.localIP = local;
        socket.facts.localPort = port;
        return socket;
    };
    std::vector<ListedSocket> sockets{at("tcp", "192.0.2.1", 8080), at("tcp", "192.0.2.1", 22),
                                      at("tcp", "192.0.2.9", 8080), at("udp", "192.0.2.1", 22),
                                      at("tcp", "192.0.2.1", 40000)};
    SockDiag::markAccepted(sockets, {{"192.0.2.1", 8080}, {"::", 22}});
    std::vector<bool> incoming;
    for (const ListedSocket& socket : sockets)
        incoming.push_back(socket.facts.incoming);
    EXPECT_EQ(incoming, (std::vector<bool>{true, true, false, false, false}));
}

TEST(SockDiagRead, DamagedMessagesAreSkippedWithinTheDatagram) {
    // Attributes whose length goes past the message or is less than their header.
    std::string overlong = attribute(INET_DIAG_INFO, tcpInfo(1, 2, 3));
    std::string tooShort = overlong;
    uint16_t overlongLength = 60000, tooShortLength = 2;
    std::memcpy(overlong.data(), &overlongLength, sizeof overlongLength);
    std::memcpy(tooShort.data(), &tooShortLength, sizeof tooShortLength);
    std::string damaged =
        message(SOCK_DIAG_BY_FAMILY, std::string(20, 'x')) +
        socketMessage(AF_INET, State::established, "203.0.113.1", 1, 1, overlong) +
        socketMessage(AF_INET, State::established, "203.0.113.2", 2, 2, tooShort) + served;
    EXPECT_EQ(parsed(damaged).ipv4, (std::vector<ListedSocket>{{"tcp", "203.0.113.1", 1, 1, 0, 0},
                                                               {"tcp", "203.0.113.2", 2, 2, 0, 0},
                                                               servedSocket}));

    // A message length beyond the datagram or below a header ends it.
    for (uint32_t length : {uint32_t{10000}, uint32_t{3}}) {
        std::string broken = done();
        std::memcpy(broken.data(), &length, sizeof length);
        SockDiag::Reading reading = parsed(served + broken + served);
        EXPECT_EQ(reading, (SockDiag::Reading{{servedSocket}, {}, false, false})) << length;
    }

    // Cut anywhere, a dump reads as the sockets of its whole messages before the cut.
    std::string second = socketMessage(AF_INET6, State::established, "::1", 8080, 4);
    std::string whole = served + second + done();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        SockDiag::Reading reading = parsed(whole.substr(0, cut));
        size_t complete = cut < served.size() ? 0 : cut < served.size() + second.size() ? 1 : 2;
        ASSERT_EQ(reading.ipv4.size() + reading.ipv6.size(), complete) << cut;
        ASSERT_FALSE(reading.done || reading.failed) << cut;
    }
}

TEST(SockDiagRead, KernelErrorsFailTheDump) {
    EXPECT_EQ(parsed(done(-EPERM, NLMSG_ERROR) + served), (SockDiag::Reading{{}, {}, false, true}));
    EXPECT_EQ(parsed(message(NLMSG_ERROR, "ab")), (SockDiag::Reading{{}, {}, false, true}));
    EXPECT_EQ(parsed(served + done(-EINTR)), (SockDiag::Reading{{servedSocket}, {}, true, true}));
    // An acknowledgement is no error.
    EXPECT_EQ(parsed(done(0, NLMSG_ERROR) + served + done()),
              (SockDiag::Reading{{servedSocket}, {}, true, false}));
}

namespace {

// A TCP or UDP socket on `ip` (IPv6 when it has a colon): connected to `port`, or else bound to a
// free port and, for TCP, listening. -1 when that fails.
int openSocket(int type, const char* ip, uint16_t port = 0) {
    addrinfo hints{}, *address = nullptr;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    if (getaddrinfo(ip, std::to_string(port).c_str(), &hints, &address) != 0) return -1;
    int fd = socket(address->ai_family, type, 0);
    bool ready = port ? connect(fd, address->ai_addr, address->ai_addrlen) == 0
                      : bind(fd, address->ai_addr, address->ai_addrlen) == 0 &&
                            (type == SOCK_DGRAM || listen(fd, 8) == 0);
    freeaddrinfo(address);
    return ready ? fd : -1;
}

// The port of the socket's own end; sin_port and sin6_port lie at the same place.
uint16_t portOf(int fd) {
    sockaddr_in6 address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin6_port);
}

bool becomeUser(uid_t uid) {
    return setgroups(0, nullptr) == 0 && setgid(uid) == 0 && setuid(uid) == 0;
}

// The flows of the kernel's dump and of ss taken one right after the other, as JSON. Taken again
// (a bounded number of times) until the dump reads the same before and after ss, so that no
// late acknowledgement changed a counter in between.
nlohmann::json listedTogether() {
    const auto& listers = platform::linux().listers;
    for (int attempt = 0;; ++attempt) {
        Listers::Listing before = Listers::list({listers[0]});
        Listers::Listing ss = Listers::list({listers[1]});
        Listers::Listing after = Listers::list({listers[0]});
        if (before == after || attempt == 20)
            return {{"sources", {before.source, ss.source}},
                    {"netlink", before.flows},
                    {"ss", ss.flows}};
        usleep(50000);
    }
}

} // namespace

// Real sockets of every kind in a private network: the kernel's dump must give the flows ss
// gives, for root and for a user who cannot see who holds them.
TEST(SockDiagDump, GivesTheFlowsOfSsOverRealSockets) {
    auto output = inPrivateNetwork([] {
        int listener4 = openSocket(SOCK_STREAM, "127.0.0.1");
        // Processes of user nobody, named like fields of ss's text, each holding a connection to
        // it: a name changes neither the pid told nor the number of flows.
        std::vector<std::unique_ptr<HeldChild>> held;
        std::set<std::pair<int32_t, std::string>> holders{{getpid(), "core_tests"}};
        for (std::string name : {"x\",pid=1,fd=9),", "a\nudp ESTAB 0 0", "\ttcp 1.2.3.4:5",
                                 "y)),((\"z\",pid=1", "ino:1 users:(("}) {
            held.push_back(std::make_unique<HeldChild>([&] {
                prctl(PR_SET_NAME, name.c_str());
                return becomeUser(65534) &&
                               openSocket(SOCK_STREAM, "127.0.0.1", portOf(listener4)) >= 0
                           ? 0
                           : -1;
            }));
            // The kernel keeps 15 bytes of a name.
            holders.emplace(held.back()->pid(), name.substr(0, 15));
        }
        // A dual-stack listener, which sees an IPv4 client as ::ffff:127.0.0.1.
        int listener6 = openSocket(SOCK_STREAM, "::");
        std::vector<int> sockets{listener4, listener6};
        for (size_t i = 0; i < held.size(); ++i)
            sockets.push_back(accept(listener4, nullptr, nullptr));
        bool ready =
            std::all_of(held.begin(), held.end(), [](auto& child) { return child->pid() > 0; });
        for (auto [ip, listener] : std::vector<std::pair<const char*, int>>{
                 {"127.0.0.1", listener4}, {"::1", listener6}, {"127.0.0.1", listener6}}) {
            int client = openSocket(SOCK_STREAM, ip, portOf(listener));
            int server = accept(listener, nullptr, nullptr);
            sockets.insert(sockets.end(), {client, server});
            ready = ready && write(client, "hello", 5) == 5 && write(server, "welcome", 7) == 7;
        }
        // A UDP receiver, which is no flow, and a socket connected to it.
        for (const char* ip : {"127.0.0.1", "::1"}) {
            int receiver = openSocket(SOCK_DGRAM, ip);
            int sender = openSocket(SOCK_DGRAM, ip, portOf(receiver));
            sockets.insert(sockets.end(), {receiver, sender});
            ready = ready && write(sender, "ping", 4) == 4;
        }
        nlohmann::json report = {
            {"ready", ready && std::count(sockets.begin(), sockets.end(), -1) == 0},
            {"holders", holders},
            {"root", listedTogether()}};
        // A user who holds none of these sockets and may read no other user's descriptors.
        auto seen = inChild([&] {
            for (int fd : sockets)
                close(fd);
            return becomeUser(65533) ? listedTogether().dump() : "";
        });
        report["viewer"] = nlohmann::json::parse(seen.value_or(""), nullptr, false);
        return report.dump();
    });
    if (!output) GTEST_SKIP() << "needs root for a private network namespace";
    nlohmann::json report = nlohmann::json::parse(*output);
    ASSERT_TRUE(report.at("ready").get<bool>()) << *output;
    ASSERT_TRUE(report.at("viewer").is_object()) << *output;
    // Both ends of eight TCP connections and two connected UDP sockets; no listener, no receiver.
    auto agreed = [&](const char* who) {
        const nlohmann::json& seen = report.at(who);
        EXPECT_EQ(seen.at("sources"), nlohmann::json({"netlink", "ss"})) << who;
        auto netlink = seen.at("netlink").get<std::vector<Flow>>();
        EXPECT_EQ(netlink, seen.at("ss").get<std::vector<Flow>>()) << who;
        EXPECT_EQ(netlink.size(), 18u) << who;
        return netlink;
    };
    // Every flow told with its holder, the other user's processes among them.
    std::set<std::pair<int32_t, std::string>> holders;
    for (const Flow& flow : agreed("root"))
        holders.emplace(flow.pid, flow.process);
    EXPECT_EQ(holders, (report.at("holders").get<std::set<std::pair<int32_t, std::string>>>()));
    for (const Flow& flow : agreed("viewer"))
        EXPECT_EQ(std::pair(flow.pid, flow.process), std::pair(-1, std::string("?")));
}

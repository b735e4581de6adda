// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sched.h>
#include <sstream>
#include <tuple>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "base/tool_runner.h"
#include "child_process.h"
#include "connect_hooks.h"
#include "connect_record.h"
#include "event_server.h"
#include "exe_path_cache.h"
#include "hold_rules.h"
#include "observe/cgroup_names.h"
#include "packet_queue.h"
#include "private_network.h"
#include "systemd_notify.h"
#include "temp_dir.h"

namespace {

// A record as the kernel side writes it: path components leaf first, each ending in NUL.
nv_connect_event record(std::initializer_list<std::string> leafFirst) {
    nv_connect_event made{};
    made.boot_ns = 2'500'000'000;
    made.cookie = 77;
    made.pid = 4711;
    made.uid = 1000;
    made.family = AF_INET6;
    made.protocol = IPPROTO_TCP;
    made.port = 443;
    inet_pton(AF_INET6, "::ffff:203.0.113.7", made.addr);
    std::strcpy(made.comm, "fetch");
    for (const std::string& component : leafFirst) {
        std::memcpy(made.path + made.path_bytes, component.c_str(), component.size() + 1);
        made.path_bytes += static_cast<uint16_t>(component.size() + 1);
    }
    return made;
}

// Reads from `fd` until the first line break or the end.
std::string firstLine(int fd) {
    std::string text;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n')
        text += c;
    return text;
}

OwnedFd connectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    OwnedFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) fd.reset();
    return fd;
}

// A TCP connection to a listener on loopback, and UDP datagrams to two ports, the second one
// twice; the pid and the cookies of both sockets, as "PID TCP_COOKIE UDP_COOKIE".
std::string connectOnLoopback() {
    OwnedFd listener(socket(AF_INET, SOCK_STREAM, 0)), client(socket(AF_INET, SOCK_STREAM, 0)),
        datagrams(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    socklen_t length = sizeof address;
    if (bind(listener.get(), raw, length) != 0 || listen(listener.get(), 1) != 0 ||
        getsockname(listener.get(), raw, &length) != 0 || connect(client.get(), raw, length) != 0)
        return "";
    for (uint16_t port : {9, 10, 10}) {
        address.sin_port = htons(port);
        if (sendto(datagrams.get(), "x", 1, 0, raw, length) != 1) return "";
    }
    auto cookie = [](int fd) {
        uint64_t value = 0;
        socklen_t size = sizeof value;
        getsockopt(fd, SOL_SOCKET, SO_COOKIE, &value, &size);
        return std::to_string(value);
    };
    return std::to_string(getpid()) + " " + cookie(client.get()) + " " + cookie(datagrams.get());
}

} // namespace

TEST(ConnectRecord, TheKernelsRecordBecomesAnEvent) {
    Dates::TimePoint boot{std::chrono::seconds(1'700'000'000)};
    std::optional<ConnectEvent> event =
        ConnectRecord::decode(record({"python3.11", "bin", "usr"}), boot);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->exePath, "/usr/bin/python3.11");
    EXPECT_EQ(event->at, boot + std::chrono::milliseconds(2500));
    EXPECT_EQ(event->remoteIP, "203.0.113.7");
    EXPECT_EQ(std::make_tuple(event->pid, event->comm, event->proto, event->remotePort),
              std::make_tuple(4711, std::string("fetch"), std::string("tcp"), int64_t{443}));

    // A path the walk could not finish, or that the record does not hold whole, is left out.
    nv_connect_event overlong = record({"a"}), unterminated = record({"a"});
    overlong.path_bytes = sizeof overlong.path + 1;
    unterminated.path[1] = 'b';
    for (const nv_connect_event& damaged :
         {record({}), record({"x", "", "usr"}), record({"..", "etc"}), overlong, unterminated})
        EXPECT_EQ(ConnectRecord::decode(damaged, boot)->exePath, std::nullopt);
    // A name filling its 16 bytes has no NUL of its own.
    nv_connect_event longName = record({"a"});
    std::memcpy(longName.comm, "0123456789abcdef", 16);
    EXPECT_EQ(ConnectRecord::decode(longName, boot)->comm, "0123456789abcdef");

    // Only TCP and UDP over IPv4 and IPv6.
    nv_connect_event icmp = record({"ping"}), unix = record({"x"});
    icmp.protocol = IPPROTO_ICMP;
    unix.family = AF_UNIX;
    for (const nv_connect_event& other : {icmp, unix})
        EXPECT_EQ(ConnectRecord::decode(other, boot), std::nullopt);
}

// A record that leaves its path out gets the one last sent for the same file; one for a file
// changed since, or forgotten, gets none and has the kernel side walk the path again.
TEST(ExePathCache, RecordsThatLeaveThePathOutGetTheLastOneSent) {
    std::vector<uint64_t> forgotten;
    ExePathCache cache(2, [&](const nv_exe_key& key) { forgotten.push_back(key.ino); });
    auto sent = [&](uint64_t ino, std::initializer_list<std::string> leafFirst) {
        nv_connect_event made = record(leafFirst);
        made.exe = {ino, 1000 + ino, 2049, 7};
        cache.complete(made);
        return made;
    };
    auto leftOut = [&](nv_exe_key key) {
        nv_connect_event made = record({});
        made.exe = key;
        made.path_sent = 1;
        cache.complete(made);
        return ConnectRecord::decode(made, {})->exePath;
    };
    sent(1, {"curl", "bin"});
    EXPECT_EQ(leftOut({1, 1001, 2049, 7}), "/bin/curl");
    EXPECT_EQ(leftOut({1, 1002, 2049, 7}), std::nullopt) << "renamed: another change time";
    sent(2, {"wget", "bin"});
    sent(3, {"ssh", "bin"});
    EXPECT_EQ(leftOut({1, 1001, 2049, 7}), std::nullopt) << "the oldest went past the bound";
    EXPECT_EQ(leftOut({3, 1003, 2049, 7}), "/bin/ssh");
    EXPECT_EQ(forgotten, (std::vector<uint64_t>{1, 1}));
}

// Every line that is now waiting at `fd`.
std::string drain(int fd) {
    std::string text;
    char buffer[65536];
    for (ssize_t count; (count = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
        text.append(buffer, static_cast<size_t>(count));
    return text;
}

// That another user is turned away is events.sh's check, under the real systemd.
TEST(EventServer, LetsGoOfAClientThatDoesNotReadAndNoOther) {
    TempDir dir;
    Result<EventServer> server = EventServer::listen(dir / "socket", geteuid(), {4096});
    ASSERT_TRUE(server) << server.error().message;
    OwnedFd reader = connectTo(dir / "socket"), idle = connectTo(dir / "socket");
    ASSERT_TRUE(server->accept());
    ASSERT_EQ(server->clients(), 2u);
    EXPECT_EQ(EventWire::read(firstLine(reader.get())),
              EventWire::Message(EventWire::Hello{EventWire::version}));

    const std::string line = EventWire::line(EventWire::Beat{1});
    std::string heard;
    int sent = 0;
    for (; sent < 100000 && server->dropped() == 0; ++sent) {
        server->broadcast(line);
        server->flush();
        heard += drain(reader.get());
    }
    EXPECT_EQ(server->dropped(), 1u);
    EXPECT_EQ(server->clients(), 1u);
    EXPECT_EQ(heard.size(), line.size() * static_cast<size_t>(sent));
    // What the idle client got whole, and what was lost to it, are all it was sent.
    std::string got = drain(idle.get());
    char c;
    EXPECT_EQ(recv(idle.get(), &c, 1, MSG_DONTWAIT), 0) << "the idle client is let go";
    auto whole = static_cast<uint64_t>(std::ranges::count(got, '\n'));
    EXPECT_EQ(whole + server->lost(), static_cast<uint64_t>(sent) + 1);
    // One that went away is let go.
    reader.reset();
    server->broadcast(line);
    server->flush();
    server->flush();
    EXPECT_EQ(server->clients(), 0u);
}

TEST(EventServer, ServesAFewClientsPerUserAndInAll) {
    for (EventServer::Limits limits : {EventServer::Limits{.perUser = 2, .total = 8},
                                       EventServer::Limits{.perUser = 8, .total = 2}}) {
        TempDir dir;
        Result<EventServer> server = EventServer::listen(dir / "socket", geteuid(), limits);
        ASSERT_TRUE(server) << server.error().message;
        std::vector<OwnedFd> served;
        for (int i = 0; i < 2; ++i)
            served.push_back(connectTo(dir / "socket"));
        OwnedFd refused = connectTo(dir / "socket");
        ASSERT_TRUE(server->accept());
        EXPECT_TRUE(std::holds_alternative<EventWire::Refusal>(
            EventWire::read(firstLine(refused.get())).value_or(EventWire::Hello{})));
        char c;
        EXPECT_EQ(read(refused.get(), &c, 1), 0) << "a refused client is let go";
        // A place is free again once a served client has left and a line found it gone.
        served.pop_back();
        server->broadcast(EventWire::line(EventWire::Beat{7}));
        server->flush();
        served.push_back(connectTo(dir / "socket"));
        ASSERT_TRUE(server->accept());
        EXPECT_EQ(server->clients(), 2u);
        for (const OwnedFd& client : served)
            EXPECT_EQ(EventWire::read(firstLine(client.get())),
                      EventWire::Message(EventWire::Hello{EventWire::version}));
        EXPECT_EQ(EventWire::read(firstLine(served.front().get())),
                  EventWire::Message(EventWire::Beat{7}));
    }
}

// Out of descriptors, the server says so rather than leave the loop to spin on its socket.
TEST(EventServer, TellsWhenItIsOutOfDescriptors) {
    std::optional<std::string> seen = inChild([] {
        TempDir dir;
        Result<EventServer> server = EventServer::listen(dir / "socket", geteuid());
        OwnedFd client = connectTo(dir / "socket");
        rlimit few{64, 64};
        std::vector<OwnedFd> filler;
        if (!server || setrlimit(RLIMIT_NOFILE, &few) != 0) return std::string("no set-up");
        for (int i = 0; i < 64 && (filler.empty() || filler.back()); ++i)
            filler.emplace_back(dup(0));
        std::string full = server->accept() ? "accepts" : "out";
        filler.clear();
        std::string freed = server->accept() ? "accepts" : "out";
        return full + " " + freed + " " + std::to_string(server->clients());
    });
    EXPECT_EQ(seen, "out accepts 1");
}

// That the service tells systemd it is ready is events.sh's check, under the real systemd.
TEST(SystemdNotify, FollowsTheWatchdogOnlyOfItsOwnProcess) {
    setenv("WATCHDOG_USEC", "10000000", 1);
    setenv("WATCHDOG_PID", std::to_string(getpid()).c_str(), 1);
    EXPECT_EQ(SystemdNotify::watchdogInterval(), std::chrono::seconds(10));
    setenv("WATCHDOG_PID", "1", 1);
    EXPECT_EQ(SystemdNotify::watchdogInterval(), std::nullopt);
    unsetenv("WATCHDOG_USEC");
    unsetenv("WATCHDOG_PID");
}

// The real kernel side, attached to a cgroup of its own so that it sees only the test's children.
// What the program rules block is the event service's container test's check
// (tests/session/events.sh).
class HookedGroup : public testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root to load BPF programs";
        auto mount = CgroupNames::findMount(AtomicFile::read("/proc/self/mountinfo").value_or(""));
        if (!mount) GTEST_SKIP() << "no cgroup v2 hierarchy here";
        group_ = *mount + "/nv-test" + unused_.path().substr(unused_.path().rfind('-'));
        ASSERT_EQ(mkdir(group_.c_str(), 0755), 0) << std::strerror(errno);
        Result<std::unique_ptr<ConnectHooks>> hooks = ConnectHooks::load();
        // A container may keep BPF from root; anywhere else the programs must load.
        if (!hooks && hooks.error().code == EPERM) GTEST_SKIP() << hooks.error().message;
        ASSERT_TRUE(hooks) << hooks.error().message;
        hooks_ = std::move(*hooks);
        Result<void> attached = hooks_->attach(group_, "");
        ASSERT_TRUE(attached) << attached.error().message;
    }
    void TearDown() override {
        hooks_.reset();
        if (!group_.empty()) rmdir(group_.c_str());
    }
    // Runs `body` in a child inside the group and a network of its own.
    std::optional<std::string> inGroup(const std::function<std::string()>& body) {
        return inChild([&] {
            std::ofstream(group_ + "/cgroup.procs") << getpid() << std::flush;
            if (!enterPrivateNetwork()) _exit(3);
            return body();
        });
    }
    TempDir unused_;
    std::string group_;
    std::unique_ptr<ConnectHooks> hooks_;
};

// The child has ended before its events are read, by the kernel side reading the task either way
// it can. Their programs and addresses, as the journal shows them, are events.sh's check.
TEST_F(HookedGroup, TellEachConnectionWithItsProgram) {
    for (bool typedReads : {ConnectHooks::typedTaskReads(), false}) {
        hooks_.reset();
        Result<std::unique_ptr<ConnectHooks>> hooks = ConnectHooks::load(typedReads);
        ASSERT_TRUE(hooks && (*hooks)->attach(group_, "")) << "typed reads: " << typedReads;
        hooks_ = std::move(*hooks);
        std::optional<std::string> child = inGroup(connectOnLoopback);
        std::vector<ConnectEvent> taken;
        Dates::TimePoint boot = ConnectRecord::bootTime();
        hooks_->read([&](const nv_connect_event& record) {
            if (auto event = ConnectRecord::decode(record, boot)) taken.push_back(*event);
        });
        ASSERT_TRUE(child && !child->empty()) << "the child could not connect";
        int32_t pid = 0;
        uint64_t tcp = 0, udp = 0;
        std::istringstream(*child) >> pid >> tcp >> udp;
        std::vector<std::string> seen;
        const std::string exe = std::filesystem::canonical("/proc/self/exe");
        for (const ConnectEvent& event : taken) {
            EXPECT_EQ(event.pid, pid);
            EXPECT_EQ(event.exePath, exe) << "every record has the path, sent or remembered";
            bool ownSocket = event.cookie == (event.proto == "tcp" ? tcp : udp);
            seen.push_back(event.proto +
                           (event.proto == "udp" ? " " + std::to_string(event.remotePort) : "") +
                           (ownSocket ? "" : " of another socket"));
        }
        // Each UDP destination once, however often it is sent to.
        EXPECT_EQ(seen, (std::vector<std::string>{"tcp", "udp 9", "udp 10"}));
    }
}

// The service ends and starts again: pinned, its hooks keep refusing what the rules blocked until
// the next load takes them over with its own rules.
TEST_F(HookedGroup, PinnedHooksKeepTheirRulesUntilTheNextLoadTakesThemOver) {
    hooks_.reset();
    std::optional<ProgramRules::Program> self = ProgramRules::resolve("/proc/self/exe");
    ASSERT_TRUE(self);
    // A BPF file system in a mount namespace of this process's own goes when the test ends.
    const std::string pins = unused_ / "pins";
    ASSERT_EQ(mkdir(pins.c_str(), 0700), 0);
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
        mount("bpf", pins.c_str(), "bpf", 0, nullptr) != 0)
        GTEST_SKIP() << "no BPF file system of its own here: " << std::strerror(errno);
    auto attachPinned = [&](const ProgramRules::Tables& rules) {
        Result<std::unique_ptr<ConnectHooks>> hooks = ConnectHooks::load();
        EXPECT_TRUE(hooks && (*hooks)->setRules(rules) && (*hooks)->attach(group_, pins));
        EXPECT_EQ((*hooks)->pinProblem(), "");
        return std::move(*hooks);
    };
    ProgramRules::Tables blockSelf;
    blockSelf.programs[*self] = NV_RULE_BLOCK;
    attachPinned(blockSelf).reset();
    EXPECT_EQ(inGroup(connectOnLoopback), "") << "the block lapsed with its process";

    hooks_ = attachPinned({});
    EXPECT_NE(inGroup(connectOnLoopback).value_or(""), "") << "the next load did not take over";
    EXPECT_GT(hooks_->read([](const nv_connect_event&) {}), 0u);
}

namespace {

constexpr uint16_t testQueue = 20055;

// A TCP connection to `port` of `host` begun without waiting, with `mark` set on its socket
// first when not 0.
OwnedFd startConnecting(uint16_t port, uint32_t mark = 0, uint32_t host = 0x0a090001) {
    OwnedFd fd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
    if (mark) setsockopt(fd.get(), SOL_SOCKET, SO_MARK, &mark, sizeof mark);
    sockaddr_in address{AF_INET, htons(port), {htonl(host)}, {}};
    connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

// How the connection ended within `ms`: 0 connected, an errno, or -1 still waiting.
int outcome(const OwnedFd& fd, int ms) {
    pollfd ready{fd.get(), POLLOUT, 0};
    if (poll(&ready, 1, ms) != 1) return -1;
    int error = 0;
    socklen_t size = sizeof error;
    getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &size);
    return error;
}

// The packets queued within `ms`.
std::vector<PacketQueue::Packet> queued(PacketQueue& queue, int ms) {
    pollfd ready{queue.fd(), POLLIN, 0};
    if (poll(&ready, 1, ms) != 1) return {};
    return queue.read();
}

} // namespace

// Connections to a destination asked about wait in the queue until the verdict: let through,
// they connect; refused, the program hears at once. Nothing waits while nobody listens for
// questions, nor a socket someone else marked, whose policy routing by mark keeps working.
TEST_F(HookedGroup, AConnectionAskedAboutWaitsForItsVerdict) {
    std::optional<std::string> seen = inGroup([&]() -> std::string {
        // Two addresses here, and 10.8.0.0/24 reached only by policy routing of mark 0x100.
        for (std::vector<std::string> words :
             {std::vector<std::string>{"address", "add", "10.9.0.1/32", "dev", "lo"},
              {"address", "add", "10.9.0.2/32", "dev", "lo"},
              {"rule", "add", "fwmark", "0x100", "lookup", "100"},
              {"route", "add", "local", "10.8.0.0/24", "dev", "lo", "table", "100"}}) {
            words.insert(words.begin(), "/usr/sbin/ip");
            auto done = ToolRunner::run(words, {});
            if (!done || done->status != 0) return "cannot set up the network";
        }
        Result<PacketQueue> queue = PacketQueue::open(testQueue, 64);
        Result<HoldRules::Path> path =
            queue ? HoldRules::install(testQueue) : Result<HoldRules::Path>(queue.error());
        if (!path) return "cannot hold: " + path.error().message;
        ProgramRules::Tables ask;
        ask.destinations[{AF_INET, {10, 9, 0, 1}}] = NV_RULE_ASK;
        ask.destinations[{AF_INET, {10, 8, 0, 1}}] = NV_RULE_ASK;
        OwnedFd listener(socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{AF_INET, htons(8080), {htonl(INADDR_ANY)}, {}};
        bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener.get(), 8);
        if (!hooks_->setRules(ask) || !hooks_->setHolding(true, getuid())) return "no rules";
        std::string said = HoldRules::name(*path) + ":";
        for (bool allow : {true, false}) {
            OwnedFd client = startConnecting(8080);
            std::vector<PacketQueue::Packet> packets = queued(*queue, 2000);
            said += " " + std::to_string(packets.size()) + " held, " +
                    std::to_string(outcome(client, 300)) + " while held";
            for (const PacketQueue::Packet& packet : packets)
                queue->decide(packet.id, allow);
            said += ", then " + std::to_string(outcome(client, 2000)) + ";";
        }
        // An unconnected UDP socket: held to the destination asked about, not to another.
        OwnedFd datagrams(socket(AF_INET, SOCK_DGRAM, 0));
        for (uint32_t host : {0x0a090001u, 0x0a090002u}) {
            sockaddr_in to{AF_INET, htons(9), {htonl(host)}, {}};
            sendto(datagrams.get(), "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            std::vector<PacketQueue::Packet> packets = queued(*queue, 500);
            for (const PacketQueue::Packet& packet : packets)
                queue->decide(packet.id, true);
            said += " udp " + std::to_string(packets.size()) + " held;";
        }
        // A socket marked for policy routing is not held and keeps its route.
        OwnedFd marked = startConnecting(8080, 0x100, 0x0a080001);
        said += " marked by another: " + std::to_string(outcome(marked, 2000)) + ", " +
                std::to_string(queued(*queue, 0).size()) + " held,";
        if (!hooks_->setHolding(false, getuid())) return "cannot stop holding";
        OwnedFd unheld = startConnecting(8080);
        said += " nobody listening: " + std::to_string(outcome(unheld, 2000)) + ", " +
                std::to_string(queued(*queue, 0).size()) + " held";
        HoldRules::remove();
        return said;
    });
    ASSERT_TRUE(seen);
    if (seen->starts_with("cannot hold")) GTEST_SKIP() << *seen;
    EXPECT_EQ(seen->substr(seen->find(':')),
              ": 1 held, -1 while held, then 0; 1 held, -1 while held, then 111; udp 1 held; udp 0 "
              "held; marked by another: 0, 0 held, nobody listening: 0, 0 held")
        << *seen;
}

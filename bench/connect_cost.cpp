// SPDX-License-Identifier: GPL-3.0-or-later
// What the event service costs the programs that connect, and itself, as root.
//
//   connect_cost [HELPER]
//
// This process moves into a cgroup of its own and a private network namespace, then times
// 20,000 connect() calls to a listener on 127.0.0.1 without the kernel side, again with it
// attached to that cgroup and a reader taking its records every 100 ms, as the service does, once
// more with 1,000 program rules loaded (of other programs, so that each call is decided and
// allowed), once with 1,000 destinations to ask about (of other addresses) while an application
// listens for questions, so that each call is looked up and not held, and with the task read by
// helper calls as older kernels need; it prints the median and
// the 99th percentile of each, and the hooks' own time per run in the kernel (its statistics turned
// on meanwhile). Given the built nattervane-helper, it then runs the service itself (attached at
// the root of the hierarchy, serving a socket of its own to a reader like the application) while
// this process makes 100 new connections a second for 30 s, and prints the service's share of one
// core.
#include <algorithm>
#include <atomic>
#include <bpf/bpf.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "connect_hooks.h"
#include "observe/cgroup_names.h"
#include "private_network.h"
#include "program_rules.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int connects = 20000;

struct Listener {
    OwnedFd fd;
    sockaddr_in address{};
};

Listener listenOnLoopback() {
    Listener listener;
    listener.address.sin_family = AF_INET;
    listener.address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof listener.address;
    auto* raw = reinterpret_cast<sockaddr*>(&listener.address);
    listener.fd.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    bind(listener.fd.get(), raw, length);
    listen(listener.fd.get(), SOMAXCONN);
    getsockname(listener.fd.get(), raw, &length);
    return listener;
}

// One connect() to the listener, timed in microseconds; the connection is closed again at once.
double timedConnect(const Listener& listener) {
    OwnedFd client(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    auto start = Clock::now();
    int status = connect(client.get(), reinterpret_cast<const sockaddr*>(&listener.address),
                         sizeof listener.address);
    double micros = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (status != 0) std::perror("connect");
    OwnedFd accepted(accept4(listener.fd.get(), nullptr, nullptr, SOCK_CLOEXEC));
    return micros;
}

struct Percentiles {
    double p50 = 0;
    double p99 = 0;
    // The hooks' own time per run, in the kernel; absent without them or their statistics.
    std::optional<double> inKernel;
};

// Back-to-back connect() calls, a burst as a busy program makes them.
Percentiles timeConnects(const Listener& listener, const ConnectHooks* hooks = nullptr) {
    const ConnectHooks::RunTime before = hooks ? hooks->runTime() : ConnectHooks::RunTime{};
    std::vector<double> times;
    for (int i = 0; i < connects; ++i)
        times.push_back(timedConnect(listener));
    std::sort(times.begin(), times.end());
    Percentiles result{times[times.size() / 2], times[times.size() * 99 / 100], std::nullopt};
    const ConnectHooks::RunTime after = hooks ? hooks->runTime() : ConnectHooks::RunTime{};
    if (after.runs > before.runs)
        result.inKernel = static_cast<double>(after.nanoseconds - before.nanoseconds) / 1000.0 /
                          static_cast<double>(after.runs - before.runs);
    return result;
}

void printRow(const char* name, const Percentiles& times, const std::string& more = "") {
    std::printf("%-24s %8.1f %8.1f", name, times.p50, times.p99);
    if (times.inKernel) std::printf(" %10.2f", *times.inKernel);
    std::printf("%s\n", more.c_str());
}

// A cgroup of this process's own below the hierarchy's root; empty when none can be made.
std::string ownGroup(const std::string& root) {
    std::string group = root + "/nv-connect-cost-" + std::to_string(getpid());
    if (mkdir(group.c_str(), 0755) != 0) return "";
    std::ofstream(group + "/cgroup.procs") << getpid() << std::flush;
    return group;
}

// The CPU time of process `pid` so far, in seconds.
double cpuSeconds(pid_t pid) {
    std::string stat = AtomicFile::read("/proc/" + std::to_string(pid) + "/stat").value_or("");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int index = 3; fields >> field && index <= 15; ++index)
        if (index == 14 || index == 15) ticks += std::stol(field);
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Runs the service, reads its socket as the application would and makes 100 connections a
// second for `seconds`; the service's share of one core.
double serviceShare(const std::string& helper, const Listener& listener, int seconds) {
    std::string socketPath = "/tmp/nv-connect-cost-" + std::to_string(getpid());
    pid_t service = fork();
    if (service == 0) {
        execl(helper.c_str(), helper.c_str(), "events", "--socket", socketPath.c_str(), "--user",
              "root", nullptr);
        _exit(127);
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    OwnedFd reader;
    for (int attempt = 0; attempt < 50 && !reader; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        reader.reset(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (connect(reader.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            reader.reset();
    }
    double share = -1;
    if (reader) {
        std::atomic<bool> done{false};
        std::thread drain([&] {
            char buffer[65536];
            while (!done && read(reader.get(), buffer, sizeof buffer) > 0) {
            }
        });
        double before = cpuSeconds(service);
        auto start = Clock::now();
        for (int i = 0; i < seconds * 100; ++i) {
            timedConnect(listener);
            std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (i + 1)));
        }
        double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        share = (cpuSeconds(service) - before) / elapsed * 100;
        done = true;
        shutdown(reader.get(), SHUT_RDWR);
        drain.join();
    }
    kill(service, SIGTERM);
    waitpid(service, nullptr, 0);
    return share;
}

// Times connect() with the kernel side attached to `group`, reading the task the way given and
// with `rules` in its maps, and a reader taking its records every 100 ms as the service does.
std::optional<Percentiles> hooked(const std::string& group, const Listener& listener,
                                  bool typedReads, const ProgramRules::Tables& rules,
                                  size_t& records, bool holding = false) {
    Result<std::unique_ptr<ConnectHooks>> hooks = ConnectHooks::load(typedReads);
    Result<void> ready = hooks ? (*hooks)->setRules(rules) : Result<void>(hooks.error());
    if (ready) ready = (*hooks)->setHolding(holding, getuid());
    if (ready) ready = (*hooks)->attach(group, "");
    if (!ready) {
        std::fprintf(stderr, "connect_cost: %s\n", ready.error().message.c_str());
        return std::nullopt;
    }
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            records += (*hooks)->read([](const nv_connect_event&) {});
        }
    });
    Percentiles times = timeConnects(listener, hooks->get());
    done = true;
    reader.join();
    records += (*hooks)->read([](const nv_connect_event&) {});
    return times;
}

} // namespace

int main(int argc, char** argv) {
    auto root = CgroupNames::findMount(AtomicFile::read("/proc/self/mountinfo").value_or(""));
    std::string group = root ? ownGroup(*root) : "";
    if (group.empty() || !enterPrivateNetwork()) {
        std::printf("skipped: needs root, a cgroup v2 hierarchy and a private network namespace\n");
        return 0;
    }
    Listener listener = listenOnLoopback();
    Percentiles without = timeConnects(listener);
    // Counted while this descriptor is open.
    OwnedFd statistics(bpf_enable_stats(BPF_STATS_RUN_TIME));
    ProgramRules::Tables rules;
    for (uint64_t inode = 1; inode <= 1000; ++inode)
        rules.programs[{inode, 0xfffff}] = NV_RULE_BLOCK;
    ProgramRules::Tables asks;
    for (uint8_t high = 0; high < 4; ++high)
        for (int low = 0; low < 250; ++low)
            asks.destinations[{AF_INET, {203, 0, high, static_cast<uint8_t>(low)}}] = NV_RULE_ASK;
    size_t records = 0;
    const bool typed = ConnectHooks::typedTaskReads();
    std::optional<Percentiles> with = hooked(group, listener, typed, {}, records),
                               withRules = hooked(group, listener, typed, rules, records),
                               holding = hooked(group, listener, typed, asks, records, true),
                               byHelpers = hooked(group, listener, false, {}, records);
    if (!with || !withRules || !holding || !byHelpers) return 1;
    std::printf("connect() to 127.0.0.1, %d calls each, in microseconds\n", connects);
    std::printf("%-24s %8s %8s %10s\n", "", "p50", "p99", "in kernel");
    printRow("without the hooks", without);
    printRow("with the hooks", *with, typed ? "" : "   (the task read by helper calls)");
    printRow("and 1,000 program rules", *withRules);
    printRow("holding, not asked about", *holding);
    if (typed) printRow("the task read by helpers", *byHelpers);
    std::printf("p50 over without: %+.1f with the hooks, %+.1f holding; %zu records read\n",
                with->p50 - without.p50, holding->p50 - without.p50, records);
    if (argc > 1) {
        double share = serviceShare(argv[1], listener, 30);
        std::printf("the event service at 100 new connections a second: %.2f %% of one core\n",
                    share);
    }
    std::ofstream(*root + "/cgroup.procs") << getpid() << std::flush;
    rmdir(group.c_str());
    const bool missed = with->inKernel.value_or(0) > 2.0 || with->p50 - without.p50 > 3.0 ||
                        holding->p50 - without.p50 > 3.0;
    if (missed) std::printf("missed: at most 2 µs in the kernel and 3 µs over the median\n");
    return missed ? 1 : 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux listers over thousands of real TCP sockets on a machine shaped like a desktop, side by
// side in one run, in a private network namespace (as root) on loopback only.
//
//   lister_cost [SOCKETS...]        (default: 2000 20000, ascending)
//
// First 300 processes start that hold 45 other descriptors each (13,500 in all), as a desktop's
// do, which every walk of /proc must read. For each count, child processes then hold that many
// sockets (both ends of SOCKETS/2 connections to 127.0.0.1 and ::1, 2,000 sockets to a process)
// and this one prints the median time of: the netlink lister once, as a one-off command runs it
// (the kernel's dump and every socket's holder looked for afresh), the kernel's dump alone
// (netlink, read and parsed, the floor of any scan), running `ss -H -t -u -n -i -e`
// alone, the ss lister (ss, its parser and the same attribution), and a steady-state scan of a
// scanner that keeps the holders it found (listing, checking the holders, identifying, naming and
// classifying every flow), without the event service, with the number of processes those scans
// walked; and the same scan of a scanner the event service (a stand-in on a socket of its own)
// told of every socket once, which checks no holder. The targets at 2,000 sockets: a steady-state
// scan in at most 5 ms, and the told one at most 1.5 times the dump. The exit status is 1 when
// either is missed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/tool_runner.h"
#include "crowd.h"
#include "fake_event_service.h"
#include "observe/listers.h"
#include "observe/scanner.h"
#include "observe/sock_diag.h"
#include "private_network.h"
#include "temp_dir.h"

namespace {

constexpr int targetSockets = 2000;
constexpr double scanTarget = 5.0;
constexpr double toldTarget = 1.5;
constexpr int crowdProcesses = 300;
constexpr int crowdDescriptors = 45;

// Processes that each hold both ends of up to 1,000 connections to a listener on 127.0.0.1 or ::1,
// as programs hold their sockets, started until there are as many sockets as asked. They end
// with the object.
class Holders {
  public:
    static constexpr size_t perHolder = 2000;

    Holders() {
        for (int index : {0, 1})
            listeners_[index] = listener(index);
        if (pipe2(hold_, O_CLOEXEC) != 0) hold_[0] = hold_[1] = -1;
    }
    ~Holders() {
        if (hold_[1] >= 0) close(hold_[1]);
        for (pid_t pid : pids_)
            waitpid(pid, nullptr, 0);
        for (int fd : {listeners_[0], listeners_[1], hold_[0]})
            if (fd >= 0) close(fd);
    }
    Holders(const Holders&) = delete;
    Holders& operator=(const Holders&) = delete;

    bool growTo(size_t count) {
        if (listeners_[0] < 0 || listeners_[1] < 0 || hold_[0] < 0) return false;
        while (sockets_ + 2 <= count) {
            size_t batch = std::min(perHolder, count - sockets_) / 2 * 2;
            if (!start(batch)) return false;
            sockets_ += batch;
        }
        return true;
    }

  private:
    // A listener on a free port of 127.0.0.1 (index 0) or ::1 (index 1), its address kept.
    int listener(int index) {
        sockaddr_storage& address = addresses_[index];
        socklen_t& length = lengths_[index];
        if (index == 0) {
            auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
            v4->sin_family = AF_INET;
            v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof *v4;
        } else {
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
            v6->sin6_family = AF_INET6;
            v6->sin6_addr = in6addr_loopback;
            length = sizeof *v6;
        }
        int fd = socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (fd >= 0 && bind(fd, raw, length) == 0 && listen(fd, SOMAXCONN) == 0 &&
            getsockname(fd, raw, &length) == 0)
            return fd;
        if (fd >= 0) close(fd);
        return -1;
    }

    // In a holder: opens `sockets` sockets, alternating between the listeners. System calls
    // only, since this process has other threads.
    bool open(size_t sockets) {
        for (size_t opened = 0; opened < sockets; opened += 2) {
            int index = static_cast<int>(opened / 2 % 2);
            int client = socket(addresses_[index].ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (client < 0 ||
                connect(client, reinterpret_cast<const sockaddr*>(&addresses_[index]),
                        lengths_[index]) != 0 ||
                accept4(listeners_[index], nullptr, nullptr, SOCK_CLOEXEC) < 0)
                return false;
        }
        return true;
    }

    bool start(size_t sockets) {
        int ready[2];
        if (pipe(ready) != 0) return false;
        pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            close(hold_[1]);
            char answer = open(sockets) ? '+' : '-';
            if (write(ready[1], &answer, 1) == 1)
                while (read(hold_[0], &answer, 1) > 0) {
                }
            _exit(0);
        }
        close(ready[1]);
        char answer = '-';
        if (pid < 0 || read(ready[0], &answer, 1) != 1) answer = '-';
        close(ready[0]);
        if (pid > 0) pids_.push_back(pid);
        return answer == '+';
    }

    sockaddr_storage addresses_[2] = {};
    socklen_t lengths_[2] = {};
    int listeners_[2] = {-1, -1};
    int hold_[2] = {-1, -1};
    size_t sockets_ = 0;
    std::vector<pid_t> pids_;
};

// The event service as the application meets it: greets, tells of every listed socket once,
// then beats every second until it ends.
class TellingService {
  public:
    explicit TellingService(const std::string& path) : service_(path) {}
    ~TellingService() {
        ending_ = true;
        if (beating_.joinable()) beating_.join();
    }
    // After the scanner connected: tells of the sockets the scanner's next scan lists.
    void tell(const std::vector<Flow>& flows) {
        service_.accept();
        std::string text = EventWire::line(EventWire::Hello{EventWire::version});
        for (const Flow& flow : flows) {
            ConnectEvent event;
            event.pid = flow.pid;
            event.comm = flow.process;
            event.exePath = flow.exePath;
            event.uid = flow.facts.uid.value_or(0);
            event.cookie = flow.facts.cookie;
            event.proto = flow.proto;
            event.remoteIP = flow.remoteIP;
            event.remotePort = flow.remotePort;
            text += EventWire::line(event);
        }
        // Written beside the scans, which read it: more than the socket holds at once.
        beating_ = std::thread([this, text = std::move(text)] {
            if (!service_.say(text)) std::fprintf(stderr, "the events could not be told\n");
            for (int tick = 0; !ending_; ++tick) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (tick % 10 == 9)
                    static_cast<void>(service_.say(EventWire::line(EventWire::Beat{0})));
            }
        });
    }

  private:
    FakeEventService service_;
    std::thread beating_;
    std::atomic<bool> ending_ = false;
};

using Clock = std::chrono::steady_clock;

template <typename Work> double milliseconds(Work work) {
    auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double netlink = 0;
    double dump = 0;
    double ssAlone = 0;
    double ssLister = 0;
    double scan = 0;
    double told = 0;
    size_t flows = 0;
    size_t connections = 0;
    // Processes whose descriptors the steady-state scans walked, in all rounds.
    size_t walked = 0;
};

// Each round times every step once, so that all of them share what else the machine does.
Figures measure(Scanner& scanner, Scanner& toldScanner, int rounds) {
    const platform::ToolCommand& netlink = platform::linux().listers[0];
    const platform::ToolCommand& ss = platform::linux().listers[1];
    std::vector<double> netlinkTimes, dumpTimes, ssAloneTimes, ssListerTimes, scanTimes, toldTimes;
    Figures figures;
    for (int round = 0; round < rounds + 1; ++round) {
        Listers::Listing listed, parsed;
        std::vector<Connection> connections;
        double netlinkTime = milliseconds([&] { listed = Listers::list({netlink}); });
        double dumpTime = milliseconds([&] { static_cast<void>(SockDiag::dump()); });
        Result<std::string> text = std::string();
        double ssAloneTime =
            milliseconds([&] { text = runTool(ss.path, ss.arguments, ss.timeout); });
        double ssListerTime = milliseconds([&] { parsed = Listers::list({ss}); });
        double scanTime = milliseconds([&] { connections = scanner.scan(true); });
        double toldTime = milliseconds([&] { static_cast<void>(toldScanner.scan(true)); });
        if (listed.source != "netlink" || listed.flows.size() != parsed.flows.size() || !text ||
            text->empty() || scanner.source() != "netlink") {
            std::fprintf(stderr, "the listers disagree: netlink %zu flows (%s), ss %zu\n",
                         listed.flows.size(), listed.source.c_str(), parsed.flows.size());
            std::exit(1);
        }
        // The first round warms the caches: process identities, names, the kernel's own.
        if (round == 0) continue;
        netlinkTimes.push_back(netlinkTime);
        dumpTimes.push_back(dumpTime);
        ssAloneTimes.push_back(ssAloneTime);
        ssListerTimes.push_back(ssListerTime);
        scanTimes.push_back(scanTime);
        toldTimes.push_back(toldTime);
        figures.walked += scanner.ownerWork().walked;
        figures.flows = listed.flows.size();
        figures.connections = connections.size();
    }
    figures.netlink = median(netlinkTimes);
    figures.dump = median(dumpTimes);
    figures.ssAlone = median(ssAloneTimes);
    figures.ssLister = median(ssListerTimes);
    figures.scan = median(scanTimes);
    figures.told = median(toldTimes);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<size_t> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::strtoul(argv[i], nullptr, 10));
    if (counts.empty()) counts = {2000, 20000};
    std::sort(counts.begin(), counts.end());

    if (!enterPrivateNetwork()) {
        std::printf("skipped: needs root for a private network namespace\n");
        return 0;
    }
    // The holders' descriptors, and ss's: as many as this process may have. Beyond the hard
    // limit only CAP_SYS_RESOURCE could go, hence the sockets are spread over processes.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur < Holders::perHolder + 64) {
        std::fprintf(stderr, "cannot have %zu open files\n", Holders::perHolder + 64);
        return 1;
    }

    ScannerOptions options;
    // Loopback has no names to look up; the resolver answers at once.
    options.lookups = {[](const std::string&) { return std::optional<std::string>(); },
                       [](const std::string&) { return std::vector<std::string>(); }};
    options.eventsSocket = "";
    Scanner scanner(std::make_shared<TrackerList>(), options);
    TempDir dir;
    options.eventsSocket = dir / "events";
    TellingService service(options.eventsSocket);
    Scanner toldScanner(std::make_shared<TrackerList>(), options);
    Crowd crowd(crowdProcesses, crowdDescriptors);
    Holders holders;

    std::printf("%d other processes hold %d descriptors each\n", crowdProcesses, crowdDescriptors);
    std::printf("%8s %12s %9s %12s %12s %12s %10s %10s %12s %8s\n", "sockets", "netlink ms",
                "dump ms", "ss alone ms", "ss lister ms", "scan ms", "told ms", "ss/netlink",
                "connections", "walked");
    bool met = true, told = false;
    for (size_t count : counts) {
        if (!holders.growTo(count)) {
            std::perror("opening the sockets");
            return 1;
        }
        // The told scanner connects at its first scan and takes the events at its second.
        if (!told) {
            static_cast<void>(toldScanner.scan(true));
            service.tell(Listers::list({platform::linux().listers[0]}).flows);
            told = true;
        }
        Figures figures = measure(scanner, toldScanner, count <= 5000 ? 30 : 7);
        double ratio = figures.ssAlone / figures.netlink;
        std::printf("%8zu %12.2f %9.2f %12.2f %12.2f %12.2f %10.2f %9.1fx %12zu %8zu\n",
                    figures.flows, figures.netlink, figures.dump, figures.ssAlone, figures.ssLister,
                    figures.scan, figures.told, ratio, figures.connections, figures.walked);
        if (count != targetSockets) continue;
        bool scanMet = figures.scan <= scanTarget;
        std::printf("target at %d sockets: steady-state scan %.2f ms <= %.0f ms %s\n",
                    targetSockets, figures.scan, scanTarget, scanMet ? "met" : "MISSED");
        bool toldMet = figures.told <= toldTarget * figures.dump;
        std::printf("target at %d sockets: told scan %.2f ms <= %.1f x dump %.2f ms %s\n",
                    targetSockets, figures.told, toldTarget, figures.dump,
                    toldMet ? "met" : "MISSED");
        met = met && scanMet && toldMet;
    }
    return met ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The load of an active browsing session on a desktop, for bench/churn_cost.sh: connections that
// come and go among hundreds of named hosts, and hundreds of other processes holding descriptors.
//
//   churn_load HOSTS SECONDS
//
// HOSTS is a hosts file: the first word of each line that has two is an IPv4 address, which the
// caller made local (say, with a local route on lo inside a private network namespace). First
// 300 processes start that hold 45 descriptors each (13,500). Then a process started after them
// listens on port 443 of every address, and every 100 ms connects from 127.0.0.1 to one of the
// addresses drawn at random, holding the connection for a lifetime drawn from 0.1, 0.5, 2, 10 and
// 30 s; once a second it sends 0.5 to 2 kB over each connection it holds and the other end answers
// with as much. The far ends have loopback peers, so only the near ends are connections to the
// internet for a program that leaves local traffic out. It ends after SECONDS, or at SIGTERM.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "crowd.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int crowdProcesses = 300;
constexpr int crowdDescriptors = 45;
constexpr auto arrivalPeriod = 100ms;
constexpr auto sendPeriod = 1s;
constexpr std::chrono::milliseconds lifetimes[] = {100ms, 500ms, 2s, 10s, 30s};
constexpr uint16_t port = 443;

volatile std::sig_atomic_t stopping = 0;

std::vector<in_addr> readAddresses(const char* path) {
    std::vector<in_addr> addresses;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string ip, name;
        in_addr address{};
        if (words >> ip >> name && inet_pton(AF_INET, ip.c_str(), &address) == 1 &&
            ip.rfind("127.", 0) != 0)
            addresses.push_back(address);
    }
    return addresses;
}

int listener() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(port);
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0 &&
        listen(fd, SOMAXCONN) == 0)
        return fd;
    std::perror("churn_load: listening on port 443");
    std::exit(1);
}

// A connection from 127.0.0.1 to `to`; -1 when it cannot be made.
int connectTo(in_addr to) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr = to;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0) close(fd);
    return -1;
}

struct Held {
    int fd;
    Clock::time_point closes;
};

class Load {
  public:
    explicit Load(std::vector<in_addr> addresses)
        : addresses_(std::move(addresses)), listener_(listener()) {}

    void run(Clock::time_point end) {
        Clock::time_point nextArrival = Clock::now(), nextSend = nextArrival + sendPeriod;
        while (!stopping && Clock::now() < end) {
            const Clock::time_point now = Clock::now();
            if (now >= nextArrival) {
                arrive(now);
                nextArrival += arrivalPeriod;
            }
            if (now >= nextSend) {
                sendAll();
                nextSend += sendPeriod;
            }
            closeExpired(now);
            serve(std::min(nextArrival, nextSend));
        }
        for (const Held& held : held_)
            close(held.fd);
        for (int fd : accepted_)
            close(fd);
    }

    size_t made() const { return made_; }

  private:
    void arrive(Clock::time_point now) {
        std::uniform_int_distribution<size_t> host(0, addresses_.size() - 1);
        std::uniform_int_distribution<size_t> lifetime(0, std::size(lifetimes) - 1);
        const int fd = connectTo(addresses_[host(random_)]);
        if (fd < 0) return;
        held_.push_back({fd, now + lifetimes[lifetime(random_)]});
        ++made_;
    }

    void sendAll() {
        std::uniform_int_distribution<size_t> size(500, 2000);
        for (const Held& held : held_)
            static_cast<void>(send(held.fd, buffer_.data(), size(random_), MSG_DONTWAIT));
    }

    void closeExpired(Clock::time_point now) {
        std::erase_if(held_, [now](const Held& held) {
            if (held.closes > now) return false;
            close(held.fd);
            return true;
        });
    }

    // Accepts and answers until `until`: each far end sends back what it reads.
    void serve(Clock::time_point until) {
        std::vector<pollfd> watched{{listener_, POLLIN, 0}};
        for (int fd : accepted_)
            watched.push_back({fd, POLLIN, 0});
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (poll(watched.data(), watched.size(),
                 std::max<int>(0, static_cast<int>(wait.count()))) <= 0)
            return;
        if (watched[0].revents & POLLIN)
            for (int fd;
                 (fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;)
                accepted_.push_back(fd);
        for (size_t i = 1; i < watched.size(); ++i) {
            if (!watched[i].revents) continue;
            const ssize_t got = read(watched[i].fd, buffer_.data(), buffer_.size());
            if (got > 0) {
                static_cast<void>(send(watched[i].fd, buffer_.data(), static_cast<size_t>(got),
                                       MSG_DONTWAIT | MSG_NOSIGNAL));
                continue;
            }
            close(watched[i].fd);
            std::erase(accepted_, watched[i].fd);
        }
    }

    std::vector<in_addr> addresses_;
    int listener_;
    std::vector<Held> held_;
    std::vector<int> accepted_;
    std::vector<char> buffer_ = std::vector<char>(4096, 'x');
    std::mt19937 random_{20260101};
    size_t made_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: churn_load HOSTS SECONDS\n");
        return 2;
    }
    std::vector<in_addr> addresses = readAddresses(argv[1]);
    const int seconds = std::atoi(argv[2]);
    if (addresses.empty() || seconds <= 0) {
        std::fprintf(stderr, "churn_load: no addresses in %s, or no time to run\n", argv[1]);
        return 2;
    }
    std::signal(SIGTERM, [](int) { stopping = 1; });
    std::signal(SIGPIPE, SIG_IGN);
    Crowd crowd(crowdProcesses, crowdDescriptors);
    // The connections come from a process started after the crowd, as a browser starts after the
    // desktop's own programs: a walk of /proc in the order of process ids meets the crowd first.
    const pid_t maker = fork();
    if (maker == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        Load load(std::move(addresses));
        std::printf("ready: %d processes hold %d descriptors each\n", crowdProcesses,
                    crowdDescriptors);
        std::fflush(stdout);
        load.run(Clock::now() + std::chrono::seconds(seconds));
        std::printf("made %zu connections\n", load.made());
        std::fflush(stdout);
        _exit(0);
    }
    while (maker > 0 && waitpid(maker, nullptr, 0) < 0 && errno == EINTR)
        if (stopping) kill(maker, SIGTERM);
    return maker > 0 ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "events_service.h"

#include <cerrno>
#include <optional>

#include <sys/epoll.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "connect_hooks.h"
#include "connect_record.h"
#include "event_server.h"
#include "observe/cgroup_names.h"
#include "observe/connect_event.h"
#include "rule_keeper.h"
#include "systemd_notify.h"

namespace EventsService {

namespace {

using Clock = std::chrono::steady_clock;

// The exit status that tells systemd not to start the service again.
constexpr int cannotRun = 3;

std::optional<std::string> cgroupRoot(const std::string& mountInfo) {
    Result<std::string> mounts = AtomicFile::read(mountInfo);
    return mounts ? CgroupNames::findMount(*mounts) : std::nullopt;
}

// How long the socket is left unwatched when the process is out of descriptors.
constexpr std::chrono::milliseconds outOfDescriptors{250};

// Watches the listening socket again, or leaves it be: out of descriptors, it would wake the loop
// at once and for nothing.
void watchListener(int poller, int fd, bool on) {
    epoll_event listening{on ? uint32_t{EPOLLIN} : 0u, {.fd = fd}};
    static_cast<void>(epoll_ctl(poller, EPOLL_CTL_MOD, fd, &listening));
}

// Tells every client of each record the hooks hold.
void pass(ConnectHooks& hooks, EventServer& server) {
    Dates::TimePoint boot = ConnectRecord::bootTime();
    hooks.read([&](const nv_connect_event& record) {
        if (auto event = ConnectRecord::decode(record, boot))
            server.broadcast(EventWire::line(*event));
    });
}

// Puts the program rules in force when they changed; says once why they could not be.
void keepRules(RuleKeeper& keeper, ConnectHooks& hooks, std::string& said, std::ostream& err) {
    std::optional<ProgramRules::Tables> tables = keeper.refresh();
    if (!tables) return;
    Result<void> set = hooks.setRules(*tables);
    std::string problem = !set ? set.error().message : keeper.problem();
    if (problem != said && !problem.empty()) err << "nattervane-helper: " << problem << "\n";
    said = problem;
}

int serve(const Settings& settings, ConnectHooks& hooks, RuleKeeper& keeper,
          std::string& rulesProblem, EventServer& server, const std::atomic<bool>& stop,
          std::ostream& err) {
    OwnedFd poller(epoll_create1(EPOLL_CLOEXEC));
    epoll_event listening{EPOLLIN, {.fd = server.listenFd()}};
    epoll_event woken{EPOLLIN, {.fd = hooks.wakeFd()}};
    if (!poller || epoll_ctl(poller.get(), EPOLL_CTL_ADD, server.listenFd(), &listening) != 0 ||
        epoll_ctl(poller.get(), EPOLL_CTL_ADD, hooks.wakeFd(), &woken) != 0) {
        err << "nattervane-helper: " << Error::fromErrno("cannot wait for events").message << "\n";
        return 1;
    }
    std::optional<std::chrono::microseconds> watchdog = SystemdNotify::watchdogInterval();
    SystemdNotify::send("READY=1\nSTATUS=Telling connections as they are made");
    Clock::time_point nextBatch = Clock::now(), nextBeat = nextBatch, nextPing = nextBatch,
                      nextRules = nextBatch + settings.rulesCheck;
    // When to watch the listening socket again; never while it is watched.
    Clock::time_point listenAgain = Clock::time_point::max();
    while (!stop) {
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextBatch - Clock::now());
        epoll_event ready[4];
        int count = epoll_wait(poller.get(), ready, 4,
                               static_cast<int>(std::max<int64_t>(wait.count(), 0)));
        if (count < 0 && errno != EINTR) {
            err << "nattervane-helper: " << Error::fromErrno("waiting for events failed").message
                << "\n";
            return 1;
        }
        Clock::time_point now = Clock::now();
        for (int i = 0; i < count; ++i)
            if (ready[i].data.fd == server.listenFd() && !server.accept()) {
                watchListener(poller.get(), server.listenFd(), false);
                listenAgain = now + outOfDescriptors;
            }
        if (now >= listenAgain) {
            watchListener(poller.get(), server.listenFd(), true);
            listenAgain = Clock::time_point::max();
        }
        if (now >= nextBatch || count > 0) {
            pass(hooks, server);
            nextBatch = now + settings.batch;
        }
        if (!settings.programRules.empty() && now >= nextRules) {
            keepRules(keeper, hooks, rulesProblem, err);
            nextRules = now + settings.rulesCheck;
        }
        if (now >= nextBeat) {
            server.broadcast(EventWire::line(EventWire::Beat{hooks.dropped() + server.lost()}));
            nextBeat = now + settings.beat;
        }
        server.flush();
        // The loop itself answers the watchdog, so a service stuck anywhere is restarted.
        if (watchdog && now >= nextPing) {
            SystemdNotify::send("WATCHDOG=1");
            nextPing = now + *watchdog / 2;
        }
    }
    SystemdNotify::send("STOPPING=1");
    return 0;
}

} // namespace

int run(const Settings& settings, const std::atomic<bool>& stop, std::ostream& err) {
    std::optional<std::string> root = cgroupRoot(settings.mountInfo);
    if (!root) {
        err << "nattervane-helper: no cgroup v2 hierarchy is mounted (" << settings.mountInfo
            << ")\n";
        return 1;
    }
    Result<std::unique_ptr<ConnectHooks>> hooks = ConnectHooks::load();
    // The rules are in the new maps before the hooks (pinned ones included) take them up, and
    // so before systemd hears that the service is ready.
    RuleKeeper keeper(settings.programRules, settings.user, settings.namesFile);
    std::string rulesProblem;
    if (hooks && !settings.programRules.empty()) keepRules(keeper, **hooks, rulesProblem, err);
    Result<void> attached =
        hooks ? (*hooks)->attach(*root, settings.pinDir) : Result<void>(hooks.error());
    if (!attached) {
        err << "nattervane-helper: " << attached.error().message << "\n";
        return cannotRun;
    }
    if (!(*hooks)->pinProblem().empty())
        err << "nattervane-helper: " << (*hooks)->pinProblem()
            << "; program rules lapse while the service is not running\n";
    Result<EventServer> server = EventServer::listen(settings.socketPath, settings.user);
    if (!server) {
        err << "nattervane-helper: " << server.error().message << "\n";
        return 1;
    }
    int status = serve(settings, **hooks, keeper, rulesProblem, *server, stop, err);
    unlink(settings.socketPath.c_str());
    return status;
}

} // namespace EventsService

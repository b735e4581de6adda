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
#include "hold_book.h"
#include "hold_rules.h"
#include "observe/cgroup_names.h"
#include "observe/connect_event.h"
#include "packet_queue.h"
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

// The netfilter queue held connections wait in.
constexpr uint16_t holdQueue = 20054;
constexpr uint32_t holdQueueLength = 1024;

// Connections held for the user's answer: the queue, the rules that feed it, and which packet
// waits for which question. Nothing is held unless an application is attached to answer.
struct Holding {
    explicit Holding(const RuleKeeper& keeper)
        : book({}, [&keeper](const std::string& ip) { return keeper.nameOf(ip); }) {}

    std::optional<PacketQueue> queue;
    HoldRules::Path path = HoldRules::Path::none;
    HoldBook book;
    bool on = false;
    bool blockAtDeadline = false;

    void decide(const std::vector<HoldBook::Verdict>& verdicts) {
        for (const HoldBook::Verdict& verdict : verdicts)
            queue->decide(verdict.packet, verdict.allow);
    }
};

// Opens the queue and puts its rules in place; says why not when it cannot.
void startHolding(Holding& holding, std::ostream& err) {
    Result<PacketQueue> queue = PacketQueue::open(holdQueue, holdQueueLength);
    Result<HoldRules::Path> path =
        queue ? HoldRules::install(holdQueue) : Result<HoldRules::Path>(queue.error());
    if (!path) {
        err << "nattervane-helper: " << path.error().message
            << "; connections to ask about are asked about once they are seen\n";
        return;
    }
    holding.queue.emplace(std::move(*queue));
    holding.path = *path;
}

// Holds while an application is attached to answer; lets every waiting packet go when none is.
void keepHolding(Holding& holding, ConnectHooks& hooks, const EventServer& server, uid_t user) {
    bool wanted = holding.queue && server.attached() > 0;
    if (wanted == holding.on) return;
    holding.on = wanted && hooks.setHolding(true, user);
    if (!holding.on) {
        static_cast<void>(hooks.setHolding(false, user));
        if (holding.queue) holding.decide(holding.book.releaseAll());
    }
}

// Tells every client of each record the hooks hold; the book hears of those marked to be held.
void pass(ConnectHooks& hooks, EventServer& server, HoldBook& book) {
    Dates::TimePoint boot = ConnectRecord::bootTime();
    hooks.read([&](const nv_connect_event& record) {
        if (auto event = ConnectRecord::decode(record, boot)) {
            if (event->held) book.marked(*event);
            server.broadcast(EventWire::line(*event));
        }
    });
}

// Takes the held packets that came, the clients' answers and the deadlines that passed, and
// tells the clients that listen for questions what changed.
void hold(Holding& holding, EventServer& server, bool queueReady) {
    const Dates::TimePoint now = std::chrono::system_clock::now();
    if (queueReady)
        for (const PacketQueue::Packet& packet : holding.queue->read())
            if (auto verdict = holding.book.held(packet, now)) holding.decide({*verdict});
    server.receive(
        [&](const AskWire::Request& request) {
            if (auto* attach = std::get_if<AskWire::Attach>(&request))
                holding.blockAtDeadline = attach->blockAtDeadline;
            else if (auto* answer = std::get_if<AskWire::Answer>(&request))
                holding.decide(holding.book.answer(answer->id, answer->allow));
            else if (auto* extend = std::get_if<AskWire::Extend>(&request))
                holding.book.extend(extend->id, now);
        },
        [&] {
            std::vector<std::string> lines;
            for (const HeldQuestion& question : holding.book.waiting())
                lines.push_back(EventWire::line(question));
            return lines;
        });
    if (holding.queue) holding.decide(holding.book.expire(now, holding.blockAtDeadline));
    for (const HeldQuestion& question : holding.book.takeChanged())
        server.broadcast(EventWire::line(question), EventServer::Audience::questions);
    for (const HeldSettled& settled : holding.book.takeSettled())
        server.broadcast(EventWire::line(settled), EventServer::Audience::questions);
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

// Wakes the loop when `fd` is readable.
bool watch(int poller, int fd) {
    epoll_event readable{EPOLLIN, {.fd = fd}};
    return epoll_ctl(poller, EPOLL_CTL_ADD, fd, &readable) == 0;
}

// How long the loop may wait: until the next batch or the next deadline of a held question.
int waitMilliseconds(Clock::time_point nextBatch, const Holding& holding) {
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextBatch - Clock::now());
    if (auto deadline = holding.book.nextDeadline())
        wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                  *deadline - std::chrono::system_clock::now()));
    return static_cast<int>(std::max<int64_t>(wait.count(), 0));
}

int serve(const Settings& settings, ConnectHooks& hooks, RuleKeeper& keeper,
          std::string& rulesProblem, EventServer& server, Holding& holding,
          const std::atomic<bool>& stop, std::ostream& err) {
    OwnedFd poller(epoll_create1(EPOLL_CLOEXEC));
    const int queueFd = holding.queue ? holding.queue->fd() : -1;
    if (!poller || !watch(poller.get(), server.listenFd()) ||
        !watch(poller.get(), hooks.wakeFd()) || (queueFd >= 0 && !watch(poller.get(), queueFd))) {
        err << "nattervane-helper: " << Error::fromErrno("cannot wait for events").message << "\n";
        return 1;
    }
    std::optional<std::chrono::microseconds> watchdog = SystemdNotify::watchdogInterval();
    const std::string path = HoldRules::name(holding.path);
    SystemdNotify::send("READY=1\nSTATUS=Telling connections as they are made; " +
                        (path.empty() ? std::string("holding none for questions")
                                      : "holding those to ask about through " + path));
    Clock::time_point nextBatch = Clock::now(), nextBeat = nextBatch, nextPing = nextBatch,
                      nextRules = nextBatch + settings.rulesCheck;
    // When to watch the listening socket again; never while it is watched.
    Clock::time_point listenAgain = Clock::time_point::max();
    while (!stop) {
        epoll_event ready[4];
        int count = epoll_wait(poller.get(), ready, 4, waitMilliseconds(nextBatch, holding));
        if (count < 0 && errno != EINTR) {
            err << "nattervane-helper: " << Error::fromErrno("waiting for events failed").message
                << "\n";
            return 1;
        }
        Clock::time_point now = Clock::now();
        bool queueReady = false;
        for (int i = 0; i < count; ++i) {
            queueReady = queueReady || ready[i].data.fd == queueFd;
            if (ready[i].data.fd == server.listenFd() && !server.accept()) {
                watchListener(poller.get(), server.listenFd(), false);
                listenAgain = now + outOfDescriptors;
            }
        }
        if (now >= listenAgain) {
            watchListener(poller.get(), server.listenFd(), true);
            listenAgain = Clock::time_point::max();
        }
        // The records first: a held packet's connection is among them.
        if (now >= nextBatch || count > 0) {
            pass(hooks, server, holding.book);
            nextBatch = now + settings.batch;
        }
        hold(holding, server, queueReady);
        keepHolding(holding, hooks, server, settings.user);
        if (!settings.programRules.empty() && now >= nextRules) {
            keepRules(keeper, hooks, rulesProblem, err);
            nextRules = now + settings.rulesCheck;
        }
        if (now >= nextBeat) {
            server.broadcast(EventWire::line(EventWire::Beat{hooks.dropped() + server.lost()}),
                             EventServer::Audience::all);
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

// Stops holding: nothing is marked any longer, and every packet that waits goes on.
void stopHolding(Holding& holding, ConnectHooks& hooks, uid_t user) {
    static_cast<void>(hooks.setHolding(false, user));
    if (!holding.queue) return;
    holding.decide(holding.book.releaseAll());
    HoldRules::remove();
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
    Holding holding(keeper);
    if (settings.hold) startHolding(holding, err);
    server->setHold(HoldRules::name(holding.path));
    int status = serve(settings, **hooks, keeper, rulesProblem, *server, holding, stop, err);
    stopHolding(holding, **hooks, settings.user);
    unlink(settings.socketPath.c_str());
    return status;
}

} // namespace EventsService

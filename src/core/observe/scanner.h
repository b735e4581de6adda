// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/dates.h"
#include "base/lang.h"
#include "classify/org_table.h"
#include "classify/tracker_list.h"
#include "observe/app_identity.h"
#include "observe/attribution.h"
#include "observe/connection.h"
#include "observe/event_feed.h"
#include "observe/flow.h"
#include "observe/resolver.h"
#include "observe/socket_origins.h"
#include "observe/socket_owners.h"
#include "platform.h"

// Where the connections of a scan came from: the lister that answered, and whether the event
// service told of connections as they were made (and if not, why).
struct ScanSource {
    std::string lister;
    EventFeed::State events = EventFeed::State::absent;
    std::string eventsProblem;

    bool operator==(const ScanSource&) const = default;
};

// Where a scanner gets its flows, process paths and names; tests replace any of them.
struct ScannerOptions {
    // Tried in order until one answers.
    std::vector<platform::ToolCommand> listers = platform::current().listers;
    std::function<std::optional<std::string>(int32_t)> pidPath = [](int32_t pid) {
        return ::pidPath(pid);
    };
    const platform::Descriptor* platform = &platform::current();
    Resolver::Lookups lookups = Resolver::Lookups::system();
    // The names the blocking helper publishes; empty: none.
    std::string namesFile = platform::current().helperNamesPath;
    // The language of the programs' names until setLang.
    Lang lang = Langs::system();
    // The event service's socket; empty: scans alone.
    std::string eventsSocket = platform::current().eventsSocketPath;
    // Names the programs of sockets no readable process holds; the real system's when absent.
    std::optional<SocketOrigins> origins;
    Dates::Clock clock = std::chrono::system_clock::now;
};

// One observation of the machine's network activity: the connections the event service told of
// since the last scan and the sockets the listers see now, each with the program that made it,
// turned into classified connections without duplicates. Used from one thread at a time; the
// tracker list and the organisation table may be replaced from another.
class Scanner {
  public:
    explicit Scanner(std::shared_ptr<const TrackerList> trackers = nullptr,
                     ScannerOptions options = ScannerOptions());

    // Takes the events, runs the listers and turns their flows into connections. Each scan
    // first takes in the helper's published names when they changed.
    std::vector<Connection> scan(bool includeLocal);
    // The connections only the events told of since the last scan or glance, without listing:
    // waits up to `wait` for the service to write, then a moment for their names. Empty when
    // nothing was told or the service is not live.
    std::vector<Connection> glance(bool includeLocal, std::chrono::milliseconds wait);
    // Connects to the event service when it is not live, keeping what it told for the next scan
    // or glance; true when the feed became live.
    bool reconnect();
    // Those of `connections` whose name became known since, named and classified again.
    std::vector<Connection> named(std::vector<Connection> connections);
    // The connections of already listed flows: filtered, identified, named, classified and
    // without duplicates, in the order of the flows.
    std::vector<Connection> connections(std::vector<Flow> flows, bool includeLocal);

    Resolver& resolver() { return resolver_; }
    std::shared_ptr<const TrackerList> trackers() const;
    void setTrackers(std::shared_ptr<const TrackerList> trackers);
    std::shared_ptr<const OrgTable> orgTable() const;
    void setOrgTable(std::shared_ptr<const OrgTable> orgs);
    // The lister that answered the last scan; the first one before the first scan.
    const std::string& source() const { return source_; }
    // Why the listers before it could not answer the last scan, as "source: reason".
    const std::vector<std::string>& listerProblems() const { return listerProblems_; }
    // The lister that answered the last scan and the event service's state then.
    ScanSource scanSource() const { return {source_, feed_.state(), feed_.problem()}; }
    // What finding the holders of sockets cost in the last scan.
    const SocketOwners::Work& ownerWork() const { return owners_.work(); }
    // The language of the names of programs identified from now on; safe from any thread.
    void setLang(Lang lang) { lang_ = lang; }
    // Who is behind the destination of `connection`, as a scan tells it: a system program's
    // cloud, delivery-network or unknown destinations are the system's own.
    static Verdict verdictOf(const Connection& connection, const TrackerList* trackers,
                             const OrgTable* orgs);

  private:
    std::vector<Connection> classified(std::vector<Attribution::Owned> owned, bool includeLocal);
    // The events kept by `reconnect`, then those the feed holds (waiting up to `wait` when none
    // were kept).
    std::vector<ConnectEvent> takeEvents(std::chrono::milliseconds wait);
    // Asks the names of the events' addresses; true when any is not known yet.
    bool askNames(std::vector<ConnectEvent>::const_iterator from,
                  std::vector<ConnectEvent>::const_iterator to);
    // Waits a moment for the events of new sockets listed without their program.
    void catchUp(std::vector<Flow>& flows, std::vector<ConnectEvent>& events,
                 std::unordered_set<uint64_t>& told);

    ScannerOptions options_;
    Resolver resolver_;
    mutable std::mutex listsLock_;
    std::shared_ptr<const TrackerList> trackers_;
    std::shared_ptr<const OrgTable> orgs_;
    std::atomic<Lang> lang_;
    EventFeed feed_;
    std::vector<ConnectEvent> kept_;
    SocketOwners owners_;
    Attribution attribution_;
    std::string source_;
    std::vector<std::string> listerProblems_;
    // The sockets of the last listing whose program nothing told: waited for once only.
    std::unordered_set<uint64_t> awaited_;
};

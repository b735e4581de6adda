// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/scanner.h"

#include "base/net.h"
#include "classify/classifier.h"
#include "observe/listers.h"

Scanner::Scanner(std::shared_ptr<const TrackerList> trackers, ScannerOptions options)
    : options_(std::move(options)), resolver_(options_.lookups, 4, options_.namesFile),
      trackers_(std::move(trackers)), lang_(options_.lang),
      feed_(options_.eventsSocket, EventFeed::kSilence, options_.clock),
      attribution_(options_.pidPath, *options_.platform,
                   options_.origins ? std::move(*options_.origins)
                                    : SocketOrigins::of(*options_.platform)),
      source_(options_.listers.empty() ? "" : options_.listers.front().source) {}

std::shared_ptr<const TrackerList> Scanner::trackers() const {
    std::lock_guard guard(listsLock_);
    return trackers_;
}

void Scanner::setTrackers(std::shared_ptr<const TrackerList> trackers) {
    std::lock_guard guard(listsLock_);
    trackers_ = std::move(trackers);
}

std::shared_ptr<const OrgTable> Scanner::orgTable() const {
    std::lock_guard guard(listsLock_);
    return orgs_;
}

void Scanner::setOrgTable(std::shared_ptr<const OrgTable> orgs) {
    std::lock_guard guard(listsLock_);
    orgs_ = std::move(orgs);
}

namespace {

// The longest a scan waits for the names of the connections events told of.
constexpr std::chrono::milliseconds eventNamesWait{250};
// The longest a scan waits for the events of new sockets it found without their program: the
// service writes what the kernel told it every 100 ms, so a socket made just before the listing
// may be in its next batch. One still untold by then is left to the next scan.
constexpr std::chrono::milliseconds lateEventsWait{250};

// A system program's cloud, delivery-network or unknown destinations are the system's own.
void applySystemOverride(const AppIdentity& app, Verdict& verdict) {
    bool plain = verdict.category == Category::cloud || verdict.category == Category::cdn ||
                 verdict.category == Category::unknown;
    if (app.isSystem && plain) verdict.category = Category::system;
}

} // namespace

bool Scanner::askNames(std::vector<ConnectEvent>::const_iterator from,
                       std::vector<ConnectEvent>::const_iterator to) {
    bool unnamed = false;
    for (auto event = from; event != to; ++event)
        unnamed = !resolver_.name(event->remoteIP) || unnamed;
    return unnamed;
}

bool Scanner::reconnect() {
    if (feed_.live()) return false;
    std::vector<ConnectEvent> events = feed_.take();
    kept_.insert(kept_.end(), std::make_move_iterator(events.begin()),
                 std::make_move_iterator(events.end()));
    return feed_.live();
}

std::vector<ConnectEvent> Scanner::takeEvents(std::chrono::milliseconds wait) {
    std::vector<ConnectEvent> events = std::move(kept_);
    kept_.clear();
    std::vector<ConnectEvent> fresh =
        feed_.take(events.empty() ? wait : std::chrono::milliseconds{});
    events.insert(events.end(), std::make_move_iterator(fresh.begin()),
                  std::make_move_iterator(fresh.end()));
    return events;
}

std::vector<Connection> Scanner::scan(bool includeLocal) {
    std::vector<ConnectEvent> events = takeEvents({});
    // A connection only an event told of may be gone by the next scan, so its name is looked up
    // now and waited for a moment after the listing.
    std::unordered_set<uint64_t> told;
    for (const ConnectEvent& event : events)
        told.insert(event.cookie);
    bool unnamed = askNames(events.begin(), events.end());
    Listers::Listing listing = Listers::list(options_.listers, owners_, [&](uint64_t cookie) {
        return attribution_.toldByEvents(cookie, told);
    });
    size_t early = events.size();
    catchUp(listing.flows, events, told);
    // Events taken while waiting are as short-lived as the others: their names are waited for too.
    unnamed =
        askNames(events.begin() + static_cast<std::ptrdiff_t>(early), events.end()) || unnamed;
    source_ = listing.source;
    listerProblems_ = std::move(listing.problems);
    resolver_.refreshNames();
    if (unnamed) static_cast<void>(resolver_.waitIdle(eventNamesWait));
    return classified(
        attribution_.attribute(std::move(listing.flows), events, lang_, options_.clock()),
        includeLocal);
}

void Scanner::catchUp(std::vector<Flow>& flows, std::vector<ConnectEvent>& events,
                      std::unordered_set<uint64_t>& told) {
    std::unordered_set<uint64_t> unowned, awaited;
    for (const Flow& flow : flows)
        if (flow.pid <= 0 && flow.facts.cookie &&
            !attribution_.toldByEvents(flow.facts.cookie, told))
            (awaited_.contains(flow.facts.cookie) ? awaited : unowned).insert(flow.facts.cookie);
    auto deadline = std::chrono::steady_clock::now() + lateEventsWait;
    while (feed_.live() && !unowned.empty()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        for (ConnectEvent& event : feed_.take(left)) {
            told.insert(event.cookie);
            unowned.erase(event.cookie);
            events.push_back(std::move(event));
        }
    }
    // What is still untold waits for the next scan rather than being named without its program.
    if (feed_.live())
        std::erase_if(flows, [&](const Flow& flow) { return unowned.contains(flow.facts.cookie); });
    awaited.merge(unowned);
    awaited_ = std::move(awaited);
}

std::vector<Connection> Scanner::glance(bool includeLocal, std::chrono::milliseconds wait) {
    if (!feed_.live()) return {};
    std::vector<ConnectEvent> events = takeEvents(wait);
    if (events.empty()) return {};
    resolver_.refreshNames();
    if (askNames(events.begin(), events.end()))
        static_cast<void>(resolver_.waitIdle(eventNamesWait));
    return classified(attribution_.attributeEvents(events, lang_, options_.clock()), includeLocal);
}

std::vector<Connection> Scanner::named(std::vector<Connection> connections) {
    resolver_.refreshNames();
    std::shared_ptr<const TrackerList> trackers = this->trackers();
    std::shared_ptr<const OrgTable> orgs = orgTable();
    std::erase_if(connections, [&](Connection& connection) {
        connection.host = resolver_.name(connection.ip);
        if (connection.host) connection.verdict = verdictOf(connection, trackers.get(), orgs.get());
        return !connection.host;
    });
    return connections;
}

Verdict Scanner::verdictOf(const Connection& connection, const TrackerList* trackers,
                           const OrgTable* orgs) {
    Verdict verdict = Classifier::classify(connection.ip, connection.host, trackers, orgs);
    applySystemOverride(connection.app, verdict);
    return verdict;
}

std::vector<Connection> Scanner::connections(std::vector<Flow> flows, bool includeLocal) {
    return classified(attribution_.attribute(std::move(flows), {}, lang_, options_.clock()),
                      includeLocal);
}

std::vector<Connection> Scanner::classified(std::vector<Attribution::Owned> owned,
                                            bool includeLocal) {
    std::shared_ptr<const TrackerList> trackers = this->trackers();
    std::shared_ptr<const OrgTable> orgs = orgTable();
    std::unordered_set<std::string> seen;
    std::vector<Connection> connections;
    for (auto& [flow, app] : owned) {
        if (!includeLocal && Net::kind(flow.remoteIP) != AddressKind::internet) continue;
        std::optional<std::string> host = resolver_.name(flow.remoteIP);
        Connection connection{flow.pid,
                              std::move(app),
                              std::move(flow.proto),
                              std::move(flow.remoteIP),
                              flow.remotePort,
                              std::move(host),
                              Verdict{},
                              flow.bytesIn,
                              flow.bytesOut,
                              flow.facts.incoming};
        connection.verdict = verdictOf(connection, trackers.get(), orgs.get());
        if (seen.insert(connection.id()).second) connections.push_back(std::move(connection));
    }
    return connections;
}

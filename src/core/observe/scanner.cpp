#include "observe/scanner.h"

#include <unordered_set>

#include "base/net.h"
#include "classify/classifier.h"
#include "observe/listers.h"

Scanner::Scanner(std::shared_ptr<const TrackerList> trackers, ScannerOptions options)
    : options_(std::move(options)), resolver_(options_.lookups, 4, options_.namesFile),
      trackers_(std::move(trackers)), lang_(options_.lang),
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

std::vector<Flow> Scanner::rawFlows() {
    Listers::Listing listing = Listers::list(options_.listers);
    source_ = listing.source;
    listerProblems_ = std::move(listing.problems);
    return std::move(listing.flows);
}

AppIdentity Scanner::identity(int32_t pid, const std::string& name) {
    auto cached = idCache_.find(pid);
    if (cached != idCache_.end() && cached->second.first == name) return cached->second.second;
    AppIdentity identity =
        AppIdentity::from(options_.pidPath(pid), name, lang_, *options_.platform);
    idCache_[pid] = {name, identity};
    return identity;
}

namespace {

// A system program's cloud, delivery-network or unknown destinations are the system's own.
void applySystemOverride(const AppIdentity& app, Verdict& verdict) {
    bool plain = verdict.category == Category::cloud || verdict.category == Category::cdn ||
                 verdict.category == Category::unknown;
    if (app.isSystem && plain) verdict.category = Category::system;
}

} // namespace

std::vector<Connection> Scanner::scan(bool includeLocal) {
    std::vector<Flow> flows = rawFlows();
    resolver_.refreshNames();
    return connections(std::move(flows), includeLocal);
}

std::vector<Connection> Scanner::connections(std::vector<Flow> flows, bool includeLocal) {
    std::shared_ptr<const TrackerList> trackers = this->trackers();
    std::shared_ptr<const OrgTable> orgs = orgTable();
    std::unordered_set<std::string> seen;
    std::vector<Connection> connections;
    for (Flow& flow : flows) {
        if (!includeLocal && Net::kind(flow.remoteIP) != AddressKind::internet) continue;
        AppIdentity app = identity(flow.pid, flow.process);
        std::optional<std::string> host = resolver_.name(flow.remoteIP);
        Verdict verdict = Classifier::classify(flow.remoteIP, host, trackers.get(), orgs.get());
        applySystemOverride(app, verdict);
        Connection connection{
            flow.pid,        std::move(app),  std::move(flow.proto), std::move(flow.remoteIP),
            flow.remotePort, std::move(host), std::move(verdict),    flow.bytesIn,
            flow.bytesOut};
        if (seen.insert(connection.id()).second) connections.push_back(std::move(connection));
    }
    return connections;
}

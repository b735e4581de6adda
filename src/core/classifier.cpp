#include "classifier.h"

#include "ip_orgs.h"
#include "known_orgs.h"
#include "net.h"

namespace Classifier {

namespace {

Verdict fromOrg(const std::optional<Org>& org) {
    if (!org) return {Category::unknown, std::nullopt, std::nullopt};
    return {org->category, org->company, std::nullopt};
}

// Apple's IPv4 block: its own services, unless the domain table names Apple's telemetry.
Verdict appleNetwork(const std::optional<std::string>& host) {
    if (host)
        if (auto org = KnownOrgs::lookup(*host); org && org->category == Category::telemetry)
            return {Category::telemetry, org->company, std::nullopt};
    return {Category::apple, "Apple", std::nullopt};
}

Verdict named(std::string_view ip, const std::string& host, const TrackerList* trackers) {
    std::optional<Org> org = KnownOrgs::lookup(host);
    std::optional<std::string> listed = trackers ? trackers->match(host) : std::nullopt;
    if (!org && listed) return {Category::tracker, std::nullopt, listed};
    if (!org) return fromOrg(IPOrgs::lookup(ip));
    // A listed host is a tracker unless its owner is Apple or already a tracking party.
    Category category = org->category;
    if (listed && category != Category::apple && !Categories::isTracking(category))
        category = Category::tracker;
    return {category, org->company, listed};
}

} // namespace

Verdict classify(std::string_view ip, const std::optional<std::string>& host,
                 const TrackerList* trackers) {
    if (Net::kind(ip) != AddressKind::internet)
        return {Category::local, std::nullopt, std::nullopt};
    if (ip.starts_with("17.")) return appleNetwork(host);
    if (host) return named(ip, *host, trackers);
    return fromOrg(IPOrgs::lookup(ip));
}

} // namespace Classifier

// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/classifier.h"

#include "base/net.h"
#include "classify/ip_orgs.h"
#include "classify/known_orgs.h"

namespace Classifier {

namespace {

Verdict fromOrg(const std::optional<Org>& org) {
    if (!org) return {Category::unknown, std::nullopt, std::nullopt};
    return {org->category, org->company, std::nullopt};
}

// The most specific domain of either table; for the same domain the built-in row wins. So a
// table row can name one host under a built-in domain, such as a provider's crash-report host.
std::optional<Org> domainOrg(const std::string& host, const OrgTable* orgs) {
    return KnownOrgs::mostSpecific(host, [orgs](std::string_view domain) {
        std::optional<Org> org = KnownOrgs::exact(domain);
        if (!org && orgs) org = orgs->exact(domain);
        return org;
    });
}

// Apple's IPv4 block: its own services, unless the domain table names a telemetry service.
Verdict appleNetwork(const std::optional<std::string>& host, const OrgTable* orgs) {
    if (host)
        if (auto org = domainOrg(*host, orgs); org && org->category == Category::telemetry)
            return {Category::telemetry, org->company, std::nullopt};
    return {Category::apple, "Apple", std::nullopt};
}

Verdict named(std::string_view ip, const std::string& host, const TrackerList* trackers,
              const OrgTable* orgs) {
    std::optional<Org> org = domainOrg(host, orgs);
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
                 const TrackerList* trackers, const OrgTable* orgs) {
    if (Net::kind(ip) != AddressKind::internet)
        return {Category::local, std::nullopt, std::nullopt};
    // A dual-stack socket's IPv4 peer is Apple's as much as the plain address is.
    if (Net::unmapped(ip).starts_with("17.")) return appleNetwork(host, orgs);
    if (host) return named(ip, *host, trackers, orgs);
    return fromOrg(IPOrgs::lookup(ip));
}

} // namespace Classifier

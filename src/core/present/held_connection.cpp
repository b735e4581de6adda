// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/held_connection.h"

#include "classify/classifier.h"

namespace HeldConnection {

Connection of(const ConnectEvent& first, const std::optional<std::string>& host,
              const TrackerList* trackers, const OrgTable* orgs, Lang lang,
              const platform::Descriptor& platform) {
    Connection connection{.pid = first.pid,
                          .app = AppIdentity::from(first.exePath, first.comm, lang, platform),
                          .proto = first.proto,
                          .ip = first.remoteIP,
                          .port = first.remotePort,
                          .host = host,
                          .verdict = Classifier::classify(first.remoteIP, host, trackers, orgs)};
    // As the scanner sees it: a system program's plain destinations are the system's own.
    const Category category = connection.verdict.category;
    if (connection.app.isSystem &&
        (category == Category::cloud || category == Category::cdn || category == Category::unknown))
        connection.verdict.category = Category::system;
    return connection;
}

} // namespace HeldConnection

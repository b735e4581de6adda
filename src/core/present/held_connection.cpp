// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/held_connection.h"

#include "observe/scanner.h"

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
                          .verdict = {}};
    connection.verdict = Scanner::verdictOf(connection, trackers, orgs);
    return connection;
}

} // namespace HeldConnection

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "observe/connection.h"
#include "observe/flow.h"
#include "store/journal_entry.h"

// The JSON objects the commands print. Every one carries the same names for the same things:
// "program" (the program's name as shown), "dest" (the host name when known, else the address),
// "ip" and "port" (the other end's), "bytesIn" and "bytesOut". The names they replace stay beside
// them for one release: "remoteIP" and "remotePort" in flows, "app" in the journal.
namespace JsonFields {

// A connection of scan and watch: its own form plus "program" and "dest".
nlohmann::json connection(const Connection& connection);
nlohmann::json connections(const std::vector<Connection>& connections);
// A flow of the flows command, owned by the program named `program`.
nlohmann::json flow(const Flow& flow, const std::string& program);
// Journal entries: each in the day file's form plus "program".
nlohmann::json journalEntries(const std::vector<JournalEntry>& entries);

} // namespace JsonFields

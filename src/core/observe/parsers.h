// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "observe/flow.h"
#include "observe/listed_socket.h"

// Turns the text of the connection listers into flows. Pure functions: lines that do not fit
// their format are skipped; nothing is deduplicated, resolved or classified here.
namespace Parsers {

struct Endpoint {
    std::string ip;
    int64_t port = 0;

    bool operator==(const Endpoint&) const = default;
};

// One endpoint as the tools print it: "[ip]:port", or host and port separated by the last "."
// (ipv6) or ":" (otherwise). Absent for wildcards and malformed text; zone suffixes are cut.
std::optional<Endpoint> splitEndpoint(std::string_view s, bool ipv6);

// The comma-separated log form of nettop.
std::vector<Flow> parseNettop(std::string_view text);
// The field-per-line form of lsof (-F pcnPT).
std::vector<Flow> parseLsof(std::string_view text);
// The socket table of netstat; pid -1 and process "?".
std::vector<Flow> parseNetstat(std::string_view text);
// The output of `ss -H -t -u -n -p -i`: socket lines, each optionally followed by an indented
// line of TCP details with byte counters. One flow per process using the socket; a socket whose
// users are not shown (another user's, without privileges) gives pid -1 and process "?".
std::vector<Flow> parseSs(std::string_view text);

// The sockets of `ss -H -t -u -n -i -e`, which prints no process names: who holds each socket is
// found from its inode instead (0 when ss shows none).
std::vector<ListedSocket> parseSsSockets(std::string_view text);

} // namespace Parsers

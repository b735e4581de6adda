// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/listers.h"

#include <unordered_set>

#include "base/tool_runner.h"
#include "observe/parsers.h"
#include "observe/sock_diag.h"
#include "observe/socket_owners.h"

namespace Listers {

namespace {

// One flow per process holding each socket, with the socket's facts; a socket listed twice counts
// once. A socket no holder is known of gives one flow with pid -1 and process "?".
std::vector<Flow> holdersFlows(std::vector<ListedSocket> sockets, const SocketOwners& owners) {
    static const std::vector<SocketOwners::Owner> unknown{{-1, "?"}};
    std::unordered_set<uint64_t> seen;
    std::vector<Flow> flows;
    flows.reserve(sockets.size());
    for (ListedSocket& socket : sockets) {
        if (socket.inode != 0 && !seen.insert(socket.inode).second) continue;
        const auto& found = owners.of(socket.inode);
        const auto& holders = found.empty() ? unknown : found;
        // The last holder takes the socket's texts, the others copies.
        for (size_t i = 0; i + 1 < holders.size(); ++i)
            flows.push_back({holders[i].pid, holders[i].name, socket.proto, socket.remoteIP,
                             socket.remotePort, socket.bytesIn, socket.bytesOut, socket.facts});
        flows.push_back({holders.back().pid, holders.back().name, std::move(socket.proto),
                         std::move(socket.remoteIP), socket.remotePort, socket.bytesIn,
                         socket.bytesOut, std::move(socket.facts)});
    }
    return flows;
}

// Finds the holders of `sockets`, but for those whose cookie is `known`, and gives their flows.
std::vector<Flow> ownedFlows(std::vector<ListedSocket> sockets, SocketOwners& owners,
                             const Known& known) {
    std::unordered_set<uint64_t> inodes;
    for (const auto& socket : sockets)
        if (socket.inode != 0 && !(known && known(socket.facts.cookie)))
            inodes.insert(socket.inode);
    owners.update(inodes);
    return holdersFlows(std::move(sockets), owners);
}

// The flows `lister` gives, or why it could not give any.
Result<std::vector<Flow>> flowsOf(const platform::ToolCommand& lister, SocketOwners& owners,
                                  const Known& known) {
    if (lister.format == platform::ListerFormat::sockDiag) {
        Result<std::vector<ListedSocket>> listed = SockDiag::dump();
        if (!listed) return listed.error();
        return ownedFlows(std::move(*listed), owners, known);
    }
    Result<std::string> text = runTool(lister.path, lister.arguments, lister.timeout);
    if (!text) return text.error();
    if (lister.format == platform::ListerFormat::ssInodes)
        return ownedFlows(Parsers::parseSsSockets(*text), owners, known);
    return parse(lister.format, *text);
}

} // namespace

std::vector<Flow> parse(platform::ListerFormat format, std::string_view text,
                        const std::string& procRoot) {
    switch (format) {
    case platform::ListerFormat::nettop:
        return Parsers::parseNettop(text);
    case platform::ListerFormat::ss:
        return Parsers::parseSs(text);
    case platform::ListerFormat::ssInodes: {
        SocketOwners owners(procRoot);
        return ownedFlows(Parsers::parseSsSockets(text), owners, {});
    }
    case platform::ListerFormat::lsof:
        return Parsers::parseLsof(text);
    case platform::ListerFormat::sockDiag:
        return {};
    }
    return {};
}

Listing list(const std::vector<platform::ToolCommand>& listers, SocketOwners& owners,
             const Known& known) {
    Listing listing;
    for (const platform::ToolCommand& lister : listers) {
        listing.source = lister.source;
        Result<std::vector<Flow>> flows = flowsOf(lister, owners, known);
        if (!flows) {
            listing.problems.push_back(lister.source + ": " + flows.error().message);
            continue;
        }
        listing.flows = std::move(*flows);
        // The kernel's dump answers even with no sockets. A tool that listed none gives way: an
        // empty listing is more often a tool that could not see them than a machine without any.
        if (lister.format == platform::ListerFormat::sockDiag || !listing.flows.empty())
            return listing;
    }
    return listing;
}

Listing list(const std::vector<platform::ToolCommand>& listers) {
    SocketOwners owners;
    return list(listers, owners);
}

} // namespace Listers

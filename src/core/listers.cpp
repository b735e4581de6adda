#include "listers.h"

#include <unordered_set>

#include "parsers.h"
#include "socket_owners.h"
#include "tool_runner.h"

namespace Listers {

namespace {

// One flow per process holding each socket; a socket listed twice counts once.
std::vector<Flow> ownedFlows(std::string_view text, const std::string& procRoot) {
    std::vector<Parsers::SsSocket> sockets = Parsers::parseSsSockets(text);
    std::unordered_set<uint64_t> inodes;
    for (const auto& socket : sockets)
        if (socket.inode != 0) inodes.insert(socket.inode);
    SocketOwners owners = SocketOwners::read(inodes, procRoot);
    static const std::vector<SocketOwners::Owner> unknown{{-1, "?"}};
    std::unordered_set<uint64_t> seen;
    std::vector<Flow> flows;
    for (auto& socket : sockets) {
        if (socket.inode != 0 && !seen.insert(socket.inode).second) continue;
        const auto& holders = owners.of(socket.inode);
        for (const auto& owner : holders.empty() ? unknown : holders)
            flows.push_back({owner.pid, owner.name, socket.proto, socket.remoteIP,
                             socket.remotePort, socket.bytesIn, socket.bytesOut});
    }
    return flows;
}

} // namespace

std::vector<Flow> parse(platform::ListerFormat format, std::string_view text,
                        const std::string& procRoot) {
    switch (format) {
    case platform::ListerFormat::nettop:
        return Parsers::parseNettop(text);
    case platform::ListerFormat::ss:
        return Parsers::parseSs(text);
    case platform::ListerFormat::ssInodes:
        return ownedFlows(text, procRoot);
    case platform::ListerFormat::lsof:
        return Parsers::parseLsof(text);
    }
    return {};
}

namespace {

std::vector<Flow> run(const platform::ToolCommand& command) {
    return parse(command.format, runTool(command.path, command.arguments, command.timeout));
}

} // namespace

Listing list(const platform::ToolCommand& primary, const platform::ToolCommand& fallback) {
    std::vector<Flow> flows = run(primary);
    if (!flows.empty()) return {std::move(flows), primary.source};
    return {run(fallback), fallback.source};
}

} // namespace Listers

#include "observe/listers.h"

#include <future>
#include <unordered_set>

#include "base/tool_runner.h"
#include "observe/parsers.h"
#include "observe/sock_diag.h"
#include "observe/socket_owners.h"

namespace Listers {

namespace {

// One flow per process holding each socket; a socket listed twice counts once.
std::vector<Flow> ownedFlows(const std::vector<ListedSocket>& sockets, const SocketOwners& owners) {
    static const std::vector<SocketOwners::Owner> unknown{{-1, "?"}};
    std::unordered_set<uint64_t> seen;
    std::vector<Flow> flows;
    flows.reserve(sockets.size());
    for (const auto& socket : sockets) {
        if (socket.inode != 0 && !seen.insert(socket.inode).second) continue;
        const auto& holders = owners.of(socket.inode);
        for (const auto& owner : holders.empty() ? unknown : holders)
            flows.push_back({owner.pid, owner.name, socket.proto, socket.remoteIP,
                             socket.remotePort, socket.bytesIn, socket.bytesOut});
    }
    return flows;
}

std::vector<Flow> ownedFlows(const std::vector<ListedSocket>& sockets,
                             const std::string& procRoot) {
    std::unordered_set<uint64_t> inodes;
    for (const auto& socket : sockets)
        if (socket.inode != 0) inodes.insert(socket.inode);
    return ownedFlows(sockets, SocketOwners::read(inodes, procRoot));
}

// The flows of the kernel's socket dump; absent when it cannot be had. The dump runs on another
// thread while this one reads the owners of every socket from /proc: both wait on the kernel,
// and the walk needs no list of inodes. The walk, the longer of the two, stays here, since a
// new thread may start late.
Result<std::vector<Flow>> dumpedFlows(const std::string& procRoot) {
    // Run on the calling thread instead when no thread can be started.
    std::future<Result<std::vector<ListedSocket>>> sockets =
        std::async(std::launch::async | std::launch::deferred, SockDiag::dump);
    SocketOwners owners = SocketOwners::readAll(procRoot);
    Result<std::vector<ListedSocket>> listed = sockets.get();
    if (!listed) return listed.error();
    return ownedFlows(*listed, owners);
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
        return ownedFlows(Parsers::parseSsSockets(text), procRoot);
    case platform::ListerFormat::lsof:
        return Parsers::parseLsof(text);
    case platform::ListerFormat::sockDiag:
        return {};
    }
    return {};
}

Listing list(const std::vector<platform::ToolCommand>& listers) {
    Listing listing;
    for (const platform::ToolCommand& lister : listers) {
        listing.source = lister.source;
        if (lister.format == platform::ListerFormat::sockDiag) {
            Result<std::vector<Flow>> flows = dumpedFlows("/proc");
            if (!flows) {
                listing.problems.push_back(lister.source + ": " + flows.error().message);
                continue;
            }
            listing.flows = std::move(*flows);
            return listing;
        }
        Result<std::string> text = runTool(lister.path, lister.arguments, lister.timeout);
        if (!text) {
            listing.problems.push_back(lister.source + ": " + text.error().message);
            continue;
        }
        // A tool that answered with no sockets gives way too: an empty listing is more often a
        // tool that could not see them than a machine without any.
        listing.flows = parse(lister.format, *text);
        if (!listing.flows.empty()) return listing;
    }
    return listing;
}

} // namespace Listers

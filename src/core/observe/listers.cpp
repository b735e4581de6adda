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

// The flows of the kernel's socket dump; fails when it cannot be had. The dump runs on another
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

// The flows `lister` gives, or why it could not give any.
Result<std::vector<Flow>> flowsOf(const platform::ToolCommand& lister) {
    if (lister.format == platform::ListerFormat::sockDiag) return dumpedFlows("/proc");
    Result<std::string> text = runTool(lister.path, lister.arguments, lister.timeout);
    if (!text) return text.error();
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
        Result<std::vector<Flow>> flows = flowsOf(lister);
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

} // namespace Listers

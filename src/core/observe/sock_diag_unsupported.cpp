// Where there is no NETLINK_SOCK_DIAG, the dump is never available and the tools list instead.
#include "observe/sock_diag.h"

namespace SockDiag {

void read(std::string_view, Protocol, Reading&) {}

std::optional<std::vector<ListedSocket>> dump() {
    return std::nullopt;
}

} // namespace SockDiag

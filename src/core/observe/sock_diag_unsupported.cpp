// SPDX-License-Identifier: GPL-3.0-or-later
// Where there is no NETLINK_SOCK_DIAG, the dump is never available and the tools list instead.
#include <cerrno>

#include "observe/sock_diag.h"

namespace SockDiag {

void read(std::string_view, Protocol, Reading&) {}

Result<std::vector<ListedSocket>> dump() {
    return Error{ENOSYS, "this system has no socket dump"};
}

} // namespace SockDiag

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "observe/flow.h"
#include "observe/socket_owners.h"
#include "platform.h"

// Running the connection listers and reading their output.
namespace Listers {

struct Listing {
    std::vector<Flow> flows{};
    // The lister that answered: the first one that did, else the last one tried.
    std::string source{};
    // Why each lister tried before could not answer, as "source: reason"; a tool that ran and
    // listed nothing is not among them.
    std::vector<std::string> problems{};

    bool operator==(const Listing&) const = default;
};

// Whether the program of the socket with a cookie is known from elsewhere.
using Known = std::function<bool(uint64_t cookie)>;

// The flows of a lister's `text`. For `ssInodes` the processes holding each socket are looked
// up under `procRoot`; a socket no readable process holds gives pid -1 and process "?". A
// `sockDiag` lister prints no text: nothing.
std::vector<Flow> parse(platform::ListerFormat format, std::string_view text,
                        const std::string& procRoot = "/proc");

// Tries `listers` in order and returns the flows of the first that answers. A tool answers with
// flows; the kernel's socket dump (`sockDiag`) answers whenever it can be read, even with none,
// and otherwise gives way to the next lister. When none answers, the last one's flows (none).
// `owners` finds the processes holding the sockets and keeps them for the next call; a socket
// whose cookie is `known` (its program is known from elsewhere) is not looked for and gives one
// flow with pid -1 and process "?", as a socket no readable process holds does.
Listing list(const std::vector<platform::ToolCommand>& listers, SocketOwners& owners,
             const Known& known = {});
// The same once, with holders looked for afresh.
Listing list(const std::vector<platform::ToolCommand>& listers);

} // namespace Listers

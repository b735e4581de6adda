#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "observe/flow.h"
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

// The flows of a lister's `text`. For `ssInodes` the processes holding each socket are looked
// up under `procRoot`; a socket no readable process holds gives pid -1 and process "?". A
// `sockDiag` lister prints no text: nothing.
std::vector<Flow> parse(platform::ListerFormat format, std::string_view text,
                        const std::string& procRoot = "/proc");

// Tries `listers` in order and returns the flows of the first that answers. A tool answers with
// flows; the kernel's socket dump (`sockDiag`) answers whenever it can be read, even with none,
// and otherwise gives way to the next lister. When none answers, the last one's flows (none).
Listing list(const std::vector<platform::ToolCommand>& listers);

} // namespace Listers

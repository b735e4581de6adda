#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "flow.h"
#include "platform.h"

// Running the connection listers and reading their output.
namespace Listers {

struct Listing {
    std::vector<Flow> flows;
    // The lister whose output was used: the fallback's when the primary gave no flows.
    std::string source;

    bool operator==(const Listing&) const = default;
};

// The flows of a lister's `text`. For `ssInodes` the processes holding each socket are looked
// up under `procRoot`; a socket no readable process holds gives pid -1 and process "?".
std::vector<Flow> parse(platform::ListerFormat format, std::string_view text,
                        const std::string& procRoot = "/proc");

// Runs `primary`; when it yields no flows, runs `fallback` and returns its flows, even none.
Listing list(const platform::ToolCommand& primary, const platform::ToolCommand& fallback);

} // namespace Listers

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
    // The source of the flows ("ss", "nettop", "lsof"); empty when neither tool gave any.
    std::string source;

    bool operator==(const Listing&) const = default;
};

std::vector<Flow> parse(platform::ListerFormat format, std::string_view text);

// Runs `primary`; when it yields no flows, runs `fallback`.
Listing list(const platform::ToolCommand& primary, const platform::ToolCommand& fallback);

} // namespace Listers

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The block of lines the helper owns in a hosts file, between two marker lines. Everything
// outside it is kept byte for byte.
namespace HostsBlock {

inline constexpr std::string_view beginMarker = "# BEGIN nattervane";
// Marks a block that had to add a line break to the line before it, so removing the block
// removes that line break too.
inline constexpr std::string_view beginMarkerAfterBreak = "# BEGIN nattervane (line break added)";
inline constexpr std::string_view endMarker = "# END nattervane";

// Why the markers of `hosts` do not form at most one complete block ("has 2 BEGIN markers",
// "has an END marker without its BEGIN", ...); absent when they do. A file with such markers is
// never rewritten: lines of the user's could stand between them.
std::optional<std::string> markerProblem(std::string_view hosts);

// `hosts` with every complete marked block taken out and, when `domains` is not empty, one new
// block mapping each domain to 0.0.0.0 and :: where the first old block was (else at the end).
std::string merge(std::string_view hosts, const std::vector<std::string>& domains);

} // namespace HostsBlock

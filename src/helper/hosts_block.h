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

// `hosts` without its marked block and, when `domains` is not empty, with a new block mapping
// each domain to 0.0.0.0 and :: where the old block was (else at the end). Absent when the
// marker lines are anything but none or one begin marker followed by one end marker; such a
// file must be left as it is.
std::optional<std::string> merge(std::string_view hosts, const std::vector<std::string>& domains);

} // namespace HostsBlock

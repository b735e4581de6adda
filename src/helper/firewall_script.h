// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "block_lines.h"

// Rule texts for the packet filters, each loaded in one transaction.
namespace FirewallScript {

inline constexpr std::string_view nftTable = "inet nattervane";
inline constexpr std::string_view pfAnchor = "com.apple/nattervane";

// An `nft -f -` script that replaces the table with sets of the IPv4 and IPv6 addresses and
// drops traffic to and from them. Declaring the table before deleting it lets the same script
// run whether or not the table exists.
std::string nftApply(const BlockLines::Entries& entries);
// An `nft -f -` script that deletes the table, whether or not it exists.
std::string nftRemove();

// A `pfctl -a com.apple/nattervane -f -` ruleset: one table of all addresses, blocked both ways.
std::string pfApply(const BlockLines::Entries& entries);
// The reference token in what `pfctl -E` printed ("Token : 1234"): digits only, else absent.
std::optional<std::string> pfToken(std::string_view pfctlOutput);

} // namespace FirewallScript

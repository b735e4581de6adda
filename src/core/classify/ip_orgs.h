// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "classify/category.h"

// Owners of well-known address blocks of large providers, for addresses without a known name.
namespace IPOrgs {

// One address block: the network address in network byte order (4 or 16 bytes) and its prefix.
struct Block {
    std::vector<uint8_t> bytes;
    int bits = 0;
    Org org;

    bool operator==(const Block&) const = default;
};

// The binary form of a numeric IPv4 (4 bytes) or IPv6 (16 bytes) address; nothing is trimmed.
std::optional<std::vector<uint8_t>> bytes(std::string_view text);

// A block from "address/prefix"; absent when malformed or the prefix exceeds the address width.
std::optional<Block> parseBlock(std::string_view text, const Org& org);

// The built-in blocks in table order, built once on first use.
const std::vector<Block>& blocks();

// The owner of the address: the longest matching prefix, the earlier block on a tie.
// An IPv6 zone suffix ("%en0") is ignored; IPv4 blocks never match IPv6 addresses.
std::optional<Org> lookup(std::string_view ip, const std::vector<Block>& table);
std::optional<Org> lookup(std::string_view ip);

} // namespace IPOrgs

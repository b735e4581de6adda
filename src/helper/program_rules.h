// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bpf/connect_event.h"

// The event service's rules for single programs, from the application's block file: a line
// "block<TAB>PROGRAM<TAB>TARGET", "allow<TAB>PROGRAM<TAB>TARGET" or "ask<TAB>PROGRAM<TAB>TARGET",
// where PROGRAM is the full path of an executable (or "*", every program, for "ask" only) and
// TARGET "*" (everything), an address or a domain. The kernel knows a
// program by its executable's device and inode and a destination only by its address, so each
// program is resolved to those and each domain to the addresses it was looked up at.
namespace ProgramRules {

// The PROGRAM of a line for every program.
inline constexpr std::string_view everyProgram = "*";

struct Line {
    uint8_t rule = NV_RULE_BLOCK;
    std::string program;
    std::string target;

    bool operator==(const Line&) const = default;
};

struct Parsed {
    std::vector<Line> lines;
    size_t rejected = 0;

    bool operator==(const Parsed&) const = default;
};

// The valid lines of `text`; every other non-empty line counts as rejected.
Parsed parse(std::string_view text);

// A program as the kernel knows it.
struct Program {
    uint64_t inode = 0;
    uint32_t device = 0;

    auto operator<=>(const Program&) const = default;
};

// The executable at `path` as the kernel knows it: the inode and the device of its file system,
// read from this process's own view of the opened file, so that they are the kernel's even
// where stat() tells others (btrfs subvolumes, overlays). Absent when there is no file there.
std::optional<Program> resolve(const std::string& path);

struct Address {
    uint32_t family = 0;
    std::array<uint8_t, 16> bytes{};

    auto operator<=>(const Address&) const = default;
};

// What the kernel side's maps are to hold.
struct Tables {
    std::map<Program, uint8_t> programs;
    std::map<std::pair<Program, Address>, uint8_t> addresses;
    // For an address whatever the program.
    std::map<Address, uint8_t> destinations;

    bool operator==(const Tables&) const = default;
};

// The tables of `lines`: programs by `resolve`, domains (and the names below them) by the
// "address to name" pairs of `names`. A program that cannot be resolved has no entries.
Tables tables(const std::vector<Line>& lines,
              const std::function<std::optional<Program>(const std::string&)>& resolve,
              const std::unordered_map<std::string, std::string>& names);

} // namespace ProgramRules

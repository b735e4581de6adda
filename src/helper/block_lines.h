// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Validation of the two block files, one address or one domain per line.
namespace BlockLines {

// What the helper puts in force: canonical addresses by family and lower-cased domains, each
// sorted and without duplicates, plus the number of lines that were refused.
struct Entries {
    std::vector<std::string> ipv4;
    std::vector<std::string> ipv6;
    std::vector<std::string> domains;
    size_t rejected = 0;

    bool operator==(const Entries&) const = default;
};

// An address in the canonical text of its family; an IPv4-mapped IPv6 address as the IPv4 one.
struct Address {
    std::string text;
    bool ipv6 = false;

    bool operator==(const Address&) const = default;
};
// The address of a line holding exactly one IPv4 or IPv6 address; absent for anything else
// (zone suffixes, spaces, NUL bytes, prefixes).
std::optional<Address> parseAddress(std::string_view line);
// True for a domain line: `Net::isValidDomain` and not an address.
bool isDomain(std::string_view line);

// Adds the lines of the address file (`ips`) and of the domain file (`domains`) to `entries`,
// counting every non-empty line that is not valid, then sorts and removes duplicates.
void add(Entries& entries, std::string_view ips, std::string_view domains);

// The one status line: "ips=N domains=M rejected=K".
std::string statusLine(const Entries& entries);

} // namespace BlockLines

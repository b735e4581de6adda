// SPDX-License-Identifier: GPL-3.0-or-later
// The helper's line validation on arbitrary text, read as both block files: what it accepts is
// canonical (an address parses to itself), made only of the characters of its kind, so nothing
// else can reach the firewall or the hosts file, and sorted without duplicates.
#include <algorithm>
#include <string>
#include <vector>

#include "block_lines.h"
#include "fuzz_check.h"

namespace {

bool onlyOf(const std::string& text, std::string_view allowed) {
    return text.find_first_not_of(allowed) == std::string::npos;
}

bool sortedUnique(const std::vector<std::string>& values) {
    return std::adjacent_find(values.begin(), values.end(), std::greater_equal<>()) == values.end();
}

void checkAddresses(const std::vector<std::string>& addresses, bool ipv6) {
    FuzzCheck::require(sortedUnique(addresses), "addresses sorted and distinct");
    for (const std::string& text : addresses) {
        FuzzCheck::require(onlyOf(text, "0123456789abcdef.:"), "address characters");
        auto again = BlockLines::parseAddress(text);
        FuzzCheck::require(again && again->text == text && again->ipv6 == ipv6, "canonical");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text = FuzzCheck::text(data, size);
    BlockLines::Entries entries;
    BlockLines::add(entries, text, text);
    checkAddresses(entries.ipv4, false);
    checkAddresses(entries.ipv6, true);
    FuzzCheck::require(sortedUnique(entries.domains), "domains sorted and distinct");
    for (const std::string& domain : entries.domains)
        FuzzCheck::require(onlyOf(domain, "abcdefghijklmnopqrstuvwxyz0123456789.-") &&
                               BlockLines::isDomain(domain),
                           "domain characters");
    size_t lines = std::count(text.begin(), text.end(), '\n') + 1;
    FuzzCheck::require(entries.ipv4.size() + entries.ipv6.size() + entries.domains.size() +
                               entries.rejected <=
                           2 * lines,
                       "at most one outcome per line");
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "block_lines.h"

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "base/net.h"
#include "base/text.h"

namespace BlockLines {

namespace {

void sortUnique(std::vector<std::string>& values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

// Calls `line` for every line of `text` that is not empty; a last line without its line break
// counts too.
template <typename Visit> void forEachLine(std::string_view text, Visit line) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view piece = text.substr(0, end);
        if (!piece.empty()) line(piece);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

} // namespace

std::optional<Address> parseAddress(std::string_view line) {
    // inet_pton would stop at an embedded NUL and accept what precedes it.
    if (line.empty() || line.size() > INET6_ADDRSTRLEN || line.find('\0') != line.npos)
        return std::nullopt;
    std::string text(line);
    unsigned char binary[16];
    char canonical[INET6_ADDRSTRLEN];
    for (int family : {AF_INET, AF_INET6}) {
        if (inet_pton(family, text.c_str(), binary) != 1) continue;
        // An IPv4-mapped address reaches the peer over IPv4: it belongs in the IPv4 set, where
        // the packets are matched.
        const bool mapped =
            family == AF_INET6 && IN6_IS_ADDR_V4MAPPED(reinterpret_cast<const in6_addr*>(binary));
        if (mapped && inet_ntop(AF_INET, binary + 12, canonical, sizeof canonical))
            return Address{canonical, false};
        if (inet_ntop(family, binary, canonical, sizeof canonical))
            return Address{canonical, family == AF_INET6};
    }
    return std::nullopt;
}

bool isDomain(std::string_view line) {
    return Net::isValidDomain(line) && !Net::isValidIP(line);
}

void add(Entries& entries, std::string_view ips, std::string_view domains) {
    forEachLine(ips, [&](std::string_view line) {
        if (auto address = parseAddress(line))
            (address->ipv6 ? entries.ipv6 : entries.ipv4).push_back(std::move(address->text));
        else
            ++entries.rejected;
    });
    forEachLine(domains, [&](std::string_view line) {
        if (isDomain(line))
            entries.domains.push_back(Text::toLower(line));
        else
            ++entries.rejected;
    });
    sortUnique(entries.ipv4);
    sortUnique(entries.ipv6);
    sortUnique(entries.domains);
}

std::string statusLine(const Entries& entries) {
    return "ips=" + std::to_string(entries.ipv4.size() + entries.ipv6.size()) +
           " domains=" + std::to_string(entries.domains.size()) +
           " rejected=" + std::to_string(entries.rejected);
}

} // namespace BlockLines

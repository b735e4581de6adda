// SPDX-License-Identifier: GPL-3.0-or-later
#include "hosts_block.h"

#include <algorithm>

namespace HostsBlock {

namespace {

// `hosts` without its marked blocks, and where the first of them began.
struct Stripped {
    std::string text;
    size_t firstBlock = std::string::npos;
};

Stripped strip(std::string_view hosts) {
    Stripped result;
    size_t copied = 0;        // hosts[0, copied) is dealt with
    size_t open = hosts.npos; // start of the latest begin marker not yet closed
    bool openAfterBreak = false;
    for (size_t start = 0; start < hosts.size();) {
        size_t newline = hosts.find('\n', start);
        size_t next = newline == hosts.npos ? hosts.size() : newline + 1;
        std::string_view line =
            hosts.substr(start, (newline == hosts.npos ? next : newline) - start);
        if (line == beginMarker || line == beginMarkerAfterBreak) {
            open = start;
            openAfterBreak = line == beginMarkerAfterBreak;
        } else if (line == endMarker && open != hosts.npos) {
            // The line break this block added sits just before the marker. It goes with the
            // block only while nothing follows, so a line added after the block stays a line.
            bool takeBreak = openAfterBreak && open > copied && next == hosts.size();
            size_t blockStart = takeBreak ? open - 1 : open;
            result.text.append(hosts.substr(copied, blockStart - copied));
            if (result.firstBlock == std::string::npos) result.firstBlock = result.text.size();
            copied = next;
            open = hosts.npos;
        }
        start = next;
    }
    result.text.append(hosts.substr(copied));
    return result;
}

std::string block(const std::vector<std::string>& domains, bool addBreak) {
    std::string text;
    size_t size = 64;
    for (const std::string& domain : domains)
        size += 2 * domain.size() + 12;
    text.reserve(size);
    if (addBreak) text += '\n';
    text.append(addBreak ? beginMarkerAfterBreak : beginMarker).append("\n");
    for (const std::string& domain : domains) {
        text.append("0.0.0.0 ").append(domain).append("\n");
        text.append(":: ").append(domain).append("\n");
    }
    text.append(endMarker).append("\n");
    return text;
}

} // namespace

std::optional<std::string> markerProblem(std::string_view hosts) {
    size_t begins = 0, ends = 0;
    bool endFirst = false;
    for (size_t start = 0; start < hosts.size();) {
        size_t newline = std::min(hosts.find('\n', start), hosts.size());
        std::string_view line = hosts.substr(start, newline - start);
        if (line == beginMarker || line == beginMarkerAfterBreak) ++begins;
        if (line == endMarker) endFirst = endFirst || begins == ends++;
        start = newline + 1;
    }
    if (begins > 1 || ends > 1)
        return "has " + std::to_string(std::max(begins, ends)) + " Nattervane blocks";
    if (begins != ends || endFirst)
        return std::string("has a Nattervane marker without its partner");
    return std::nullopt;
}

std::string merge(std::string_view hosts, const std::vector<std::string>& domains) {
    Stripped stripped = strip(hosts);
    if (domains.empty()) return stripped.text;
    size_t at = std::min(stripped.firstBlock, stripped.text.size());
    bool addBreak = at > 0 && stripped.text[at - 1] != '\n';
    std::string result = stripped.text.substr(0, at);
    result.append(block(domains, addBreak));
    result.append(stripped.text, at);
    return result;
}

} // namespace HostsBlock

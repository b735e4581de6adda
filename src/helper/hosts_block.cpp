#include "hosts_block.h"

#include <algorithm>

namespace HostsBlock {

namespace {

// `hosts` without its marked block, and where that block began.
struct Stripped {
    std::string text;
    size_t block = std::string::npos;
};

// Absent unless the marker lines of `hosts` are none, or one begin marker and then one end
// marker: stray or repeated markers cannot be told from the user's own lines, and pairing them
// anyway would make each later merge take away more of the file.
std::optional<Stripped> strip(std::string_view hosts) {
    Stripped result;
    size_t copied = 0;        // hosts[0, copied) is dealt with
    size_t open = hosts.npos; // start of the begin marker not yet closed
    bool openAfterBreak = false;
    for (size_t start = 0; start < hosts.size();) {
        size_t newline = hosts.find('\n', start);
        size_t next = newline == hosts.npos ? hosts.size() : newline + 1;
        std::string_view line =
            hosts.substr(start, (newline == hosts.npos ? next : newline) - start);
        if (line == beginMarker || line == beginMarkerAfterBreak) {
            if (open != hosts.npos || copied > 0) return std::nullopt;
            open = start;
            openAfterBreak = line == beginMarkerAfterBreak;
        } else if (line == endMarker) {
            if (open == hosts.npos) return std::nullopt;
            // The line break this block added sits just before the marker. It goes with the
            // block only while nothing follows, so a line added after the block stays a line.
            bool takeBreak = openAfterBreak && open > 0 && next == hosts.size();
            result.text.append(hosts.substr(0, takeBreak ? open - 1 : open));
            result.block = result.text.size();
            copied = next;
            open = hosts.npos;
        }
        start = next;
    }
    if (open != hosts.npos) return std::nullopt;
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

std::optional<std::string> merge(std::string_view hosts, const std::vector<std::string>& domains) {
    std::optional<Stripped> stripped = strip(hosts);
    if (!stripped) return std::nullopt;
    if (domains.empty()) return stripped->text;
    size_t at = std::min(stripped->block, stripped->text.size());
    bool addBreak = at > 0 && stripped->text[at - 1] != '\n';
    std::string result = stripped->text.substr(0, at);
    result.append(block(domains, addBreak));
    result.append(stripped->text, at);
    return result;
}

} // namespace HostsBlock

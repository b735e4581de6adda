// SPDX-License-Identifier: GPL-3.0-or-later
#include "dns_log.h"

#include <array>

#include <arpa/inet.h>

#include "base/net.h"
#include "base/text.h"

namespace DnsLog {

namespace {

// "<source> <name> is <value>", the rest of a line after "dnsmasq[pid]: ".
struct Record {
    std::string_view name;
    std::string_view value;
};

// The words that begin an answer record: a forwarded reply, the cache, or dnsmasq's own config.
constexpr std::array<std::string_view, 4> sources = {"reply ", "cached ", "cached-stale ",
                                                     "config "};

std::optional<Record> record(std::string_view line) {
    size_t tag = line.find("]: ");
    if (tag == std::string_view::npos ||
        line.substr(0, tag).find("dnsmasq[") == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line.substr(tag + 3);
    bool known = false;
    for (std::string_view source : sources)
        if (rest.starts_with(source)) {
            rest.remove_prefix(source.size());
            known = true;
            break;
        }
    if (!known) return std::nullopt;
    size_t is = rest.find(" is ");
    if (is == std::string_view::npos) return std::nullopt;
    std::string_view value = rest.substr(is + 4);
    // A value with a space is never an address or a CNAME marker.
    if (value.find(' ') != std::string_view::npos) return std::nullopt;
    return Record{rest.substr(0, is), value};
}

// The address as the connection listers print it (inet_ntop's form, IPv4-mapped as IPv4);
// absent for NXDOMAIN, NODATA and every other non-address.
std::optional<std::string> canonical(std::string_view value) {
    std::string text(value);
    unsigned char bytes[sizeof(in6_addr)];
    char out[INET6_ADDRSTRLEN] = "";
    if (inet_pton(AF_INET, text.c_str(), bytes) == 1)
        return inet_ntop(AF_INET, bytes, out, sizeof out) ? std::optional<std::string>(out)
                                                          : std::nullopt;
    if (inet_pton(AF_INET6, text.c_str(), bytes) != 1 ||
        !inet_ntop(AF_INET6, bytes, out, sizeof out))
        return std::nullopt;
    return Net::unmapped(out);
}

} // namespace

std::optional<Answer> Reader::line(std::string_view text) {
    // Query and forward lines come between the records of other answers, never inside one.
    std::optional<Record> found = record(text);
    if (!found) return std::nullopt;
    std::string name = Text::toLower(found->name);
    if (!Net::isValidDomain(name)) {
        next_ = false;
        head_.clear();
        return std::nullopt;
    }
    bool chained = next_ || (!head_.empty() && name == current_);
    if (found->value == "<CNAME>") {
        if (!chained) head_ = name;
        current_.clear();
        next_ = true;
        return std::nullopt;
    }
    if (!chained) head_ = name;
    current_ = name;
    next_ = false;
    std::optional<std::string> address = canonical(found->value);
    if (!address) return std::nullopt;
    return Answer{std::move(*address), head_};
}

} // namespace DnsLog

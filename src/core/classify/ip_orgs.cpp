// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/ip_orgs.h"

#include <array>
#include <string>

#include <arpa/inet.h>

#include "base/net.h"
#include "base/text.h"

namespace {

struct SourceRow {
    std::string_view block;
    std::string_view company;
    Category category;
};

constexpr std::array<SourceRow, 75> sourceTable{{
    {"2620:149::/32", "Apple", Category::apple},
    {"2403:300::/32", "Apple", Category::apple},
    {"2a01:b740::/32", "Apple", Category::apple},
    {"8.8.8.0/24", "Google", Category::service},
    {"8.8.4.0/24", "Google", Category::service},
    {"142.250.0.0/15", "Google", Category::service},
    {"172.217.0.0/16", "Google", Category::service},
    {"172.253.0.0/16", "Google", Category::service},
    {"173.194.0.0/16", "Google", Category::service},
    {"216.58.192.0/19", "Google", Category::service},
    {"74.125.0.0/16", "Google", Category::service},
    {"64.233.160.0/19", "Google", Category::service},
    {"108.177.0.0/17", "Google", Category::service},
    {"209.85.128.0/17", "Google", Category::service},
    {"216.239.32.0/19", "Google", Category::service},
    {"2001:4860::/32", "Google", Category::service},
    {"2404:6800::/32", "Google", Category::service},
    {"2607:f8b0::/32", "Google", Category::service},
    {"2a00:1450::/32", "Google", Category::service},
    {"2800:3f0::/32", "Google", Category::service},
    {"34.64.0.0/10", "Google Cloud", Category::cloud},
    {"35.184.0.0/13", "Google Cloud", Category::cloud},
    {"35.192.0.0/12", "Google Cloud", Category::cloud},
    {"2600:1900::/28", "Google Cloud", Category::cloud},
    {"157.240.0.0/16", "Meta (Facebook)", Category::social},
    {"31.13.24.0/21", "Meta (Facebook)", Category::social},
    {"31.13.64.0/18", "Meta (Facebook)", Category::social},
    {"179.60.192.0/22", "Meta (Facebook)", Category::social},
    {"2a03:2880::/32", "Meta (Facebook)", Category::social},
    {"104.16.0.0/13", "Cloudflare", Category::cdn},
    {"104.24.0.0/14", "Cloudflare", Category::cdn},
    {"172.64.0.0/13", "Cloudflare", Category::cdn},
    {"162.158.0.0/15", "Cloudflare", Category::cdn},
    {"188.114.96.0/20", "Cloudflare", Category::cdn},
    {"1.1.1.0/24", "Cloudflare", Category::cdn},
    {"1.0.0.0/24", "Cloudflare", Category::cdn},
    {"2606:4700::/32", "Cloudflare", Category::cdn},
    {"2a06:98c0::/29", "Cloudflare", Category::cdn},
    {"23.0.0.0/12", "Akamai", Category::cdn},
    {"23.32.0.0/11", "Akamai", Category::cdn},
    {"2.16.0.0/13", "Akamai", Category::cdn},
    {"104.64.0.0/10", "Akamai", Category::cdn},
    {"2600:1400::/24", "Akamai", Category::cdn},
    {"151.101.0.0/16", "Fastly", Category::cdn},
    {"199.232.0.0/16", "Fastly", Category::cdn},
    {"2a04:4e40::/32", "Fastly", Category::cdn},
    {"13.32.0.0/15", "Amazon CloudFront", Category::cdn},
    {"13.224.0.0/14", "Amazon CloudFront", Category::cdn},
    {"18.64.0.0/14", "Amazon CloudFront", Category::cdn},
    {"3.0.0.0/8", "Amazon Web Services", Category::cloud},
    {"13.248.0.0/14", "Amazon Web Services", Category::cloud},
    {"34.192.0.0/10", "Amazon Web Services", Category::cloud},
    {"44.192.0.0/10", "Amazon Web Services", Category::cloud},
    {"52.0.0.0/11", "Amazon Web Services", Category::cloud},
    {"54.0.0.0/8", "Amazon Web Services", Category::cloud},
    {"2600:1f00::/24", "Amazon Web Services", Category::cloud},
    {"2600:9000::/28", "Amazon CloudFront", Category::cdn},
    {"13.64.0.0/11", "Microsoft Azure", Category::cloud},
    {"20.0.0.0/8", "Microsoft", Category::cloud},
    {"40.64.0.0/10", "Microsoft", Category::cloud},
    {"52.96.0.0/12", "Microsoft 365", Category::service},
    {"2603:1000::/24", "Microsoft", Category::cloud},
    {"149.154.160.0/20", "Telegram", Category::service},
    {"91.108.4.0/22", "Telegram", Category::service},
    {"91.108.8.0/22", "Telegram", Category::service},
    {"91.108.12.0/22", "Telegram", Category::service},
    {"91.108.16.0/22", "Telegram", Category::service},
    {"91.108.56.0/22", "Telegram", Category::service},
    {"2001:67c:4e8::/48", "Telegram", Category::service},
    {"2001:b28:f23d::/48", "Telegram", Category::service},
    {"160.79.104.0/23", "Anthropic", Category::service},
    {"2607:6bc0::/48", "Anthropic", Category::service},
    {"140.82.112.0/20", "GitHub", Category::service},
    {"185.199.108.0/22", "GitHub", Category::service},
    {"192.30.252.0/22", "GitHub", Category::service},
}};

// Whether the first `bits` bits of the address equal those of the block.
bool covers(const IPOrgs::Block& block, const std::vector<uint8_t>& address) {
    for (size_t i = 0; i < block.bytes.size() && 8 * static_cast<int>(i) < block.bits; ++i) {
        int remaining = block.bits - 8 * static_cast<int>(i);
        auto mask = static_cast<uint8_t>(remaining >= 8 ? 0xFF : 0xFF << (8 - remaining));
        if ((block.bytes[i] ^ address[i]) & mask) return false;
    }
    return true;
}

// The address without an IPv6 zone suffix: the first non-empty piece between "%" signs.
std::string_view withoutZone(std::string_view ip) {
    auto pieces = Text::splitNonEmpty(ip, '%');
    return pieces.empty() ? ip : pieces.front();
}

} // namespace

namespace IPOrgs {

std::optional<std::vector<uint8_t>> bytes(std::string_view text) {
    // inet_pton would stop at an embedded NUL and accept what precedes it.
    if (text.find('\0') != std::string_view::npos) return std::nullopt;
    std::string terminated(text);
    std::array<uint8_t, 16> buffer{};
    if (inet_pton(AF_INET, terminated.c_str(), buffer.data()) == 1)
        return std::vector<uint8_t>(buffer.begin(), buffer.begin() + 4);
    if (inet_pton(AF_INET6, terminated.c_str(), buffer.data()) == 1)
        return std::vector<uint8_t>(buffer.begin(), buffer.end());
    return std::nullopt;
}

std::optional<Block> parseBlock(std::string_view text, const Org& org) {
    auto pieces = Text::splitNonEmpty(text, '/');
    if (pieces.size() != 2) return std::nullopt;
    auto address = bytes(pieces[0]);
    auto bits = Text::parseDecimal<int>(pieces[1]);
    if (!address || !bits) return std::nullopt;
    // A prefix outside the address width would match everything or compare past the address.
    if (*bits < 0 || *bits > 8 * static_cast<int>(address->size())) return std::nullopt;
    return Block{std::move(*address), *bits, org};
}

const std::vector<Block>& blocks() {
    static const std::vector<Block> parsed = [] {
        std::vector<Block> result;
        result.reserve(sourceTable.size());
        for (const SourceRow& row : sourceTable)
            if (auto block = parseBlock(row.block, Org{std::string(row.company), row.category}))
                result.push_back(std::move(*block));
        return result;
    }();
    return parsed;
}

std::optional<Org> lookup(std::string_view ip, const std::vector<Block>& table) {
    auto address = bytes(withoutZone(ip));
    if (!address) return std::nullopt;
    const Block* best = nullptr;
    for (const Block& block : table) {
        if (block.bytes.size() != address->size()) continue;
        if (best && block.bits <= best->bits) continue;
        if (covers(block, *address)) best = &block;
    }
    if (!best) return std::nullopt;
    return best->org;
}

std::optional<Org> lookup(std::string_view ip) {
    return lookup(Net::unmapped(ip), blocks());
}

} // namespace IPOrgs

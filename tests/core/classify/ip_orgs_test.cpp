// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "classify/ip_orgs.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool bitOf(const Bytes& bytes, size_t bit) {
    return bytes[bit / 8] & (0x80 >> (bit % 8));
}

} // namespace

// Each row is a network address without host bits, and no two rows overlap.
TEST(IPOrgsBlocks, EveryRowIsAWellFormedNetworkOverlappingNoOther) {
    const auto& blocks = IPOrgs::blocks();
    for (size_t i = 0; i < blocks.size(); ++i) {
        const IPOrgs::Block& block = blocks[i];
        const size_t width = 8 * block.bytes.size();
        ASSERT_TRUE(width == 32 || width == 128) << block.org.company;
        EXPECT_TRUE(block.bits > 0 && block.bits <= static_cast<int>(width)) << block.org.company;
        for (size_t bit = block.bits; bit < width; ++bit)
            EXPECT_FALSE(bitOf(block.bytes, bit)) << block.org.company << "/" << block.bits;
        for (size_t j = i + 1; j < blocks.size(); ++j) {
            if (blocks[j].bytes.size() != block.bytes.size()) continue;
            size_t bit = 0, common = std::min(block.bits, blocks[j].bits);
            while (bit < common && bitOf(block.bytes, bit) == bitOf(blocks[j].bytes, bit))
                ++bit;
            EXPECT_LT(bit, common) << "rows " << i + 1 << " and " << j + 1;
        }
    }
}

TEST(IPOrgsLookup, FindsTheOwnerOfTheBuiltInBlocks) {
    const Org google{"Google", Category::service};
    const Org anthropic{"Anthropic", Category::service};
    const Org fastly{"Fastly", Category::cdn};
    for (const auto& [ip, org] : std::vector<std::pair<std::string, std::optional<Org>>>{
             {"151.101.1.1", fastly},
             {"2A06:98C7:FFFF::1", Org{"Cloudflare", Category::cdn}},
             {"2a06:98c8::1", std::nullopt},
             {"2001:67c:4e8:f004::9%en0", Org{"Telegram", Category::service}},
             // The first and last addresses of a block, and the neighbours on either side.
             {"216.58.191.255", std::nullopt},
             {"216.58.192.0", google},
             {"216.58.223.255", google},
             {"216.58.224.0", std::nullopt},
             {"2607:6bbf:ffff:ffff:ffff:ffff:ffff:ffff", std::nullopt},
             {"2607:6bc0:0:ffff::1", anthropic},
             {"2607:6bc0:1::1", std::nullopt},
             {"fe80::1%en0", std::nullopt},
             // A dual-stack socket's IPv4 peer is looked up as IPv4.
             {"::ffff:151.101.1.1", fastly},
             // Only whole numeric addresses: inet_pton alone would stop at a NUL.
             {"8.8.8.8", google},
             {std::string("8.8.8.8\0x", 9), std::nullopt},
             {" 8.8.8.8", std::nullopt},
             {"%", std::nullopt},
             {"google.com", std::nullopt},
         })
        EXPECT_EQ(IPOrgs::lookup(ip), org) << ip;
}

TEST(IPOrgsLookup, ParsedBlocksOfWhichTheLongestPrefixWinsThenTheEarlier) {
    std::vector<IPOrgs::Block> table;
    for (const char* text : {"10.0.0.0/8", "10.1.0.0/16", "10.1.0.0/16", "10.1.2.0/23", "::/0"})
        table.push_back(*IPOrgs::parseBlock(
            text, Org{"row " + std::to_string(table.size() + 1), Category::cloud}));
    for (const auto& [ip, row] : std::vector<std::pair<const char*, const char*>>{
             {"10.9.9.9", "row 1"},
             {"10.1.9.9", "row 2"},
             {"10.1.3.255", "row 4"},
             {"10.1.4.0", "row 2"},
             {"11.0.0.0", "-"},
             {"2001:db8::1", "row 5"},
             {"::ffff:10.1.2.3", "row 5"},
         })
        EXPECT_EQ(IPOrgs::lookup(ip, table).value_or(Org{"-", Category::cloud}).company, row) << ip;
    // Blocks are an address, a slash and a prefix within its width.
    Org org{"X", Category::cloud};
    EXPECT_EQ(IPOrgs::parseBlock("10.0.0.0/8", org), (IPOrgs::Block{Bytes{10, 0, 0, 0}, 8, org}));
    EXPECT_EQ(IPOrgs::parseBlock("::/0", org)->bits, 0);
    EXPECT_EQ(IPOrgs::parseBlock("::/128", org)->bits, 128);
    for (const char* bad : {"10.0.0.0", "10.0.0.0/8/9", "/8", "10.0.0/8", "10.0.0.0/x",
                            "10.0.0.0/33", "10.0.0.0/-1", "::/129", "10.0.0.0/ 8"})
        EXPECT_EQ(IPOrgs::parseBlock(bad, org), std::nullopt) << bad;
}

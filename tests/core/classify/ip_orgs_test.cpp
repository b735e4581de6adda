#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "classify/ip_orgs.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Whether the first `bits` bits of the two addresses agree.
bool samePrefix(const Bytes& a, const Bytes& b, int bits) {
    for (int bit = 0; bit < bits; ++bit) {
        int mask = 0x80 >> (bit % 8);
        if ((a[bit / 8] & mask) != (b[bit / 8] & mask)) return false;
    }
    return true;
}

// Whether any bit after the prefix is set in the network address.
bool hasHostBits(const IPOrgs::Block& block) {
    for (size_t bit = block.bits; bit < 8 * block.bytes.size(); ++bit)
        if (block.bytes[bit / 8] & (0x80 >> (bit % 8))) return true;
    return false;
}

} // namespace

TEST(IPOrgsBlocks, EveryRowIsAWellFormedNetworkOverlappingNoOther) {
    const auto& blocks = IPOrgs::blocks();
    ASSERT_FALSE(blocks.empty());
    for (size_t i = 0; i < blocks.size(); ++i) {
        const IPOrgs::Block& block = blocks[i];
        ASSERT_TRUE(block.bytes.size() == 4 || block.bytes.size() == 16) << block.org.company;
        EXPECT_GT(block.bits, 0) << block.org.company;
        EXPECT_LE(block.bits, static_cast<int>(8 * block.bytes.size())) << block.org.company;
        EXPECT_FALSE(hasHostBits(block)) << block.org.company << "/" << block.bits;
        for (size_t j = i + 1; j < blocks.size(); ++j)
            EXPECT_FALSE(
                block.bytes.size() == blocks[j].bytes.size() &&
                samePrefix(block.bytes, blocks[j].bytes, std::min(block.bits, blocks[j].bits)))
                << "rows " << i + 1 << " and " << j + 1;
    }
    EXPECT_EQ(&blocks, &IPOrgs::blocks());
}

TEST(IPOrgsBytes, NumericAddressesOnly) {
    EXPECT_EQ(IPOrgs::bytes("8.8.4.4"), (Bytes{8, 8, 4, 4}));
    EXPECT_EQ(IPOrgs::bytes("::ffff:1.2.3.4"),
              (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 1, 2, 3, 4}));
    EXPECT_EQ(IPOrgs::bytes("2001:DB8::1")->size(), 16u);
    for (const std::string& bad :
         std::vector<std::string>{"", "1.2.3", "1.2.3.256", " 8.8.8.8", "8.8.8.8 ", "google.com",
                                  "fe80::1%en0", std::string("8.8.8.8\0x", 9)})
        EXPECT_EQ(IPOrgs::bytes(bad), std::nullopt) << bad;
}

TEST(IPOrgsParseBlock, AcceptsAddressSlashPrefixWithinTheWidth) {
    Org org{"X", Category::cloud};
    EXPECT_EQ(IPOrgs::parseBlock("10.0.0.0/8", org), (IPOrgs::Block{Bytes{10, 0, 0, 0}, 8, org}));
    EXPECT_EQ(IPOrgs::parseBlock("/10.0.0.0//8/", org)->bits, 8);
    EXPECT_EQ(IPOrgs::parseBlock("::/0", org)->bits, 0);
    EXPECT_EQ(IPOrgs::parseBlock("::/128", org)->bits, 128);
    for (const char* bad : {"10.0.0.0", "10.0.0.0/8/9", "/8", "10.0.0/8", "10.0.0.0/x",
                            "10.0.0.0/33", "10.0.0.0/-1", "::/129", "10.0.0.0/ 8"})
        EXPECT_EQ(IPOrgs::parseBlock(bad, org), std::nullopt) << bad;
}

TEST(IPOrgsLookup, FindsTheOwnerOfTheBuiltInBlocks) {
    struct Case {
        const char* ip;
        std::optional<Org> org;
    };
    const Org google{"Google", Category::service};
    const Org cloudflare{"Cloudflare", Category::cdn};
    const Org anthropic{"Anthropic", Category::service};
    std::vector<Case> cases{
        {"142.250.74.46", google},
        {"34.120.0.1", Org{"Google Cloud", Category::cloud}},
        {"52.97.1.1", Org{"Microsoft 365", Category::service}},
        {"151.101.1.1", Org{"Fastly", Category::cdn}},
        {"2606:4700::1111", cloudflare},
        {"2A06:98C7:FFFF::1", cloudflare},
        {"2a06:98c8::1", std::nullopt},
        {"2a00:1450:4001:82b::200e", google},
        {"2001:67c:4e8:f004::9%en0", Org{"Telegram", Category::service}},
        // The first and last addresses of a block, and the neighbours on either side.
        {"216.58.191.255", std::nullopt},
        {"216.58.192.0", google},
        {"216.58.223.255", google},
        {"216.58.224.0", std::nullopt},
        {"142.249.255.255", std::nullopt},
        {"142.251.255.255", google},
        {"142.252.0.0", std::nullopt},
        {"160.79.103.255", std::nullopt},
        {"160.79.104.0", anthropic},
        {"160.79.105.255", anthropic},
        {"160.79.106.0", std::nullopt},
        {"2607:6bbf:ffff:ffff:ffff:ffff:ffff:ffff", std::nullopt},
        {"2607:6bc0:0:ffff::1", anthropic},
        {"2607:6bc0:1::1", std::nullopt},
        {"fe80::1%en0", std::nullopt},
        // A dual-stack socket's IPv4 peer is looked up as IPv4.
        {"::ffff:8.8.8.8", IPOrgs::lookup("8.8.8.8")},
        {"::ffff:151.101.1.1", Org{"Fastly", Category::cdn}},
        {"17.253.144.10", std::nullopt},
        {"192.168.1.1", std::nullopt},
        {"google.com", std::nullopt},
        {"", std::nullopt},
        {"%", std::nullopt},
        {"1.2.3", std::nullopt},
        {" 8.8.8.8", std::nullopt},
    };
    for (const auto& [ip, org] : cases)
        EXPECT_EQ(IPOrgs::lookup(ip), org) << ip;
}

TEST(IPOrgsLookup, LongestPrefixWinsAndTheEarlierOfEqualBlocks) {
    auto block = [](const char* text, const char* company) {
        return *IPOrgs::parseBlock(text, Org{company, Category::cloud});
    };
    std::vector<IPOrgs::Block> table{block("10.0.0.0/8", "wide"), block("10.1.0.0/16", "first"),
                                     block("10.1.0.0/16", "second"), block("10.1.2.0/23", "narrow"),
                                     block("::/0", "any6")};
    auto company = [&](const char* ip) {
        auto org = IPOrgs::lookup(ip, table);
        return org ? org->company : std::string("-");
    };
    EXPECT_EQ(company("10.9.9.9"), "wide");
    EXPECT_EQ(company("10.1.9.9"), "first");
    EXPECT_EQ(company("10.1.3.255"), "narrow");
    EXPECT_EQ(company("10.1.4.0"), "first");
    EXPECT_EQ(company("11.0.0.0"), "-");
    EXPECT_EQ(company("2001:db8::1"), "any6");
    EXPECT_EQ(company("::ffff:10.1.2.3"), "any6");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <map>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/net.h"

using enum AddressKind;

TEST(NetKind, SortsAddressesByTheirText) {
    const std::map<AddressKind, std::vector<const char*>> cases{
        {loopback, {"::1", "127.0.0.53", "::FFFF:127.0.0.1"}},
        {linkLocal, {"FE80::1", "169.254.10.1"}},
        {multicast, {"ff02::fb", "224.0.0.0", "239.255.255.255"}},
        // The first and last addresses of each private range; "0." and "255." go nowhere.
        {local,
         {"fd12:3456::1", "fc00::1", "::ffff:192.168.1.1", "10.0.0.0", "10.255.255.255",
          "100.64.0.0", "100.127.255.255", "172.16.0.0", "172.31.255.255", "192.168.0.0",
          "192.168.255.255", "0.0.0.0", "255.255.255.255", "10..1.2.3", "10.x.1.2.3"}},
        // The neighbours of each range.
        {internet,
         {"2001:db8::1", "::", "::ffff:203.0.113.7", "9.255.255.255", "11.0.0.0", "100.63.255.255",
          "100.128.0.0", "172.15.255.255", "172.32.0.0", "192.167.255.255", "192.169.0.0",
          "223.255.255.255", "240.0.0.0", "1.2.3", "", "ff00.1.2.3"}}};
    for (const auto& [kind, addresses] : cases)
        for (const char* ip : addresses)
            EXPECT_EQ(Net::kind(ip), kind) << ip;
}

TEST(NetValidity, AddressesAndDomains) {
    EXPECT_TRUE(Net::isValidIP("203.0.113.7") && Net::isValidIP("2001:db8::1"));
    for (std::string bad :
         {std::string("203.0.113"), std::string("example.com"), std::string("1.2.3.4\0x", 9)})
        EXPECT_FALSE(Net::isValidIP(bad)) << bad;

    for (const char* good : {"a.b", "Example.COM", "x-1.example-.org", "-a.b"})
        EXPECT_TRUE(Net::isValidDomain(good)) << good;
    for (const char* bad :
         {"localhost", ".a.b", "a.b.", "a..b", "a_b.com", "пример.рф", "ab", "a b.com", "a.b\n"})
        EXPECT_FALSE(Net::isValidDomain(bad)) << bad;
    std::string longest = std::string(249, 'a') + ".com";
    EXPECT_TRUE(Net::isValidDomain(longest.substr(0, 253)));
    EXPECT_FALSE(Net::isValidDomain(longest + "x"));
}

TEST(NetUnmapped, AnIPv4MappedAddressIsTheIPv4AddressItCarriesAndKindsAreTexts) {
    EXPECT_EQ(Net::unmapped("::FFFF:CB00:7107"), "203.0.113.7");
    EXPECT_EQ(Net::unmapped("0:0:0:0:0:ffff:10.0.0.1"), "10.0.0.1");
    for (std::string other : {"203.0.113.7", "2001:db8::1", "::ffff:1.2.3", "::1", "::fffe:1.2.3.4",
                              "::ffff:1.2.3.4%eth0", "", "host.example"})
        EXPECT_EQ(Net::unmapped(other), other) << other;
    // The kinds' texts read back; an unknown one is refused.
    EXPECT_EQ(nlohmann::json(linkLocal), "linkLocal");
    EXPECT_EQ(nlohmann::json("multicast").get<AddressKind>(), multicast);
    EXPECT_THROW(nlohmann::json("public").get<AddressKind>(), nlohmann::json::exception);
}

TEST(NetCanonical, AddressesAsInetNtopWritesThemOtherTextLowered) {
    const std::vector<std::pair<const char*, const char*>> cases{
        {"2001:DB8:0:0::1", "2001:db8::1"},  {"::ffff:203.0.113.1", "203.0.113.1"},
        {"::FFFF:CB00:7101", "203.0.113.1"}, {"0:0:0:0:0:0:0:1", "::1"},
        {"203.0.113.1", "203.0.113.1"},      {"Ads.Example.COM", "ads.example.com"},
        {"2001:db8::1\n", "2001:db8::1\n"}};
    for (const auto& [text, canonical] : cases)
        EXPECT_EQ(Net::canonical(text), canonical) << text;
    for (const char* ip : {"127.0.0.1", "127.255.0.9", "::1", "0.0.0.0", "::"})
        EXPECT_TRUE(Net::isLoopbackOrUnspecified(ip)) << ip;
    for (const char* ip : {"203.0.113.1", "2001:db8::1", "10.0.0.1", "localhost.example"})
        EXPECT_FALSE(Net::isLoopbackOrUnspecified(ip)) << ip;
}

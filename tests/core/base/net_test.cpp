#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/net.h"

using enum AddressKind;

TEST(NetKind, SortsAddressesByTheirText) {
    std::vector<std::pair<std::string, AddressKind>> cases{{"::1", loopback},
                                                           {"127.0.0.53", loopback},
                                                           {"FE80::1", linkLocal},
                                                           {"169.254.10.1", linkLocal},
                                                           {"ff02::fb", multicast},
                                                           {"fd12:3456::1", local},
                                                           {"fc00::1", local},
                                                           {"2001:db8::1", internet},
                                                           {"::", internet},
                                                           {"::ffff:192.168.1.1", local},
                                                           {"::FFFF:127.0.0.1", loopback},
                                                           {"::ffff:203.0.113.7", internet},
                                                           {"10.1.2.3", local},
                                                           {"100.64.0.1", local},
                                                           {"100.128.0.1", internet},
                                                           {"172.16.5.4", local},
                                                           {"172.32.0.1", internet},
                                                           {"192.168.0.1", local},
                                                           {"192.169.0.1", internet},
                                                           {"224.0.0.251", multicast},
                                                           {"239.255.255.250", multicast},
                                                           {"240.0.0.1", internet},
                                                           {"0.0.0.0", local},
                                                           {"255.255.255.255", local},
                                                           {"203.0.113.7", internet},
                                                           {"1.2.3", internet},
                                                           {"", internet},
                                                           {"10..1.2.3", local},
                                                           {"10.x.1.2.3", local},
                                                           {"ff00.1.2.3", internet}};
    for (const auto& [ip, kind] : cases)
        EXPECT_EQ(Net::kind(ip), kind) << ip;
}

TEST(NetValidity, AddressesAndDomains) {
    EXPECT_TRUE(Net::isValidIP("203.0.113.7"));
    EXPECT_TRUE(Net::isValidIP("2001:db8::1"));
    EXPECT_FALSE(Net::isValidIP("203.0.113"));
    EXPECT_FALSE(Net::isValidIP("example.com"));
    EXPECT_FALSE(Net::isValidIP(std::string("1.2.3.4\0x", 9)));

    for (const char* good : {"a.b", "Example.COM", "x-1.example-.org", "-a.b"})
        EXPECT_TRUE(Net::isValidDomain(good)) << good;
    for (const char* bad :
         {"localhost", ".a.b", "a.b.", "a..b", "a_b.com", "пример.рф", "ab", "a b.com", "a.b\n"})
        EXPECT_FALSE(Net::isValidDomain(bad)) << bad;
    std::string longest = std::string(249, 'a') + ".com";
    EXPECT_TRUE(Net::isValidDomain(longest.substr(0, 253)));
    EXPECT_FALSE(Net::isValidDomain(longest + "x"));
}

TEST(NetUnmapped, AnIPv4MappedAddressIsTheIPv4AddressItCarries) {
    EXPECT_EQ(Net::unmapped("::ffff:203.0.113.7"), "203.0.113.7");
    EXPECT_EQ(Net::unmapped("::FFFF:CB00:7107"), "203.0.113.7");
    EXPECT_EQ(Net::unmapped("0:0:0:0:0:ffff:10.0.0.1"), "10.0.0.1");
    for (std::string other : {"203.0.113.7", "2001:db8::1", "::ffff:1.2.3", "::1", "::fffe:1.2.3.4",
                              "::ffff:1.2.3.4%eth0", "", "host.example"})
        EXPECT_EQ(Net::unmapped(other), other) << other;
}

TEST(AddressKindText, RoundTripsAndRejectsUnknownText) {
    EXPECT_EQ(nlohmann::json(linkLocal), "linkLocal");
    EXPECT_EQ(nlohmann::json("multicast").get<AddressKind>(), multicast);
    EXPECT_EQ(addressKindFrom("LinkLocal"), std::nullopt);
    EXPECT_THROW(nlohmann::json("public").get<AddressKind>(), nlohmann::json::exception);
}

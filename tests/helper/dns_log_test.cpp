// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>

#include <gtest/gtest.h>

#include "dns_log.h"

namespace {

std::optional<DnsLog::Answer> one(std::string_view line) {
    DnsLog::Reader reader;
    return reader.line(line);
}

constexpr const char* prefix = "Dec  7 17:44:09 dnsmasq[24537]: ";

std::string at(std::string_view rest) {
    return prefix + std::string(rest);
}

} // namespace

TEST(DnsLog, AnswersFromRepliesTheCacheAndConfig) {
    for (const auto& [rest, address, name] : std::vector<std::array<std::string, 3>>{
             {"reply www.shop.example is 192.0.2.80", "192.0.2.80", "www.shop.example"},
             {"cached WWW.Shop.Example is 2001:DB8:0:0::1", "2001:db8::1", "www.shop.example"},
             {"config a.test is ::ffff:198.51.100.7", "198.51.100.7", "a.test"},
             {"cached-stale a.test is 198.51.100.7", "198.51.100.7", "a.test"}})
        EXPECT_EQ(one(at(rest)), (DnsLog::Answer{address, name})) << rest;
}

TEST(DnsLog, LinesWithoutAnAnswerGiveNothing) {
    for (const char* rest :
         {"query[A] a.test from 127.0.0.1", "forwarded a.test to 192.0.2.53",
          "reply a.test is NXDOMAIN", "reply a.test is NODATA-IPv6", "config a.test is NXDOMAIN",
          "reply 7.100.51.198.in-addr.arpa is <PTR>", "reply a.test is 198.51.100.7 extra",
          "started, version 2.90 cachesize 150", "reply a.test is 300.1.1.1", "reply a.test is"})
        EXPECT_EQ(one(at(rest)), std::nullopt) << rest;
    EXPECT_EQ(one("reply a.test is 198.51.100.7"), std::nullopt);
    EXPECT_EQ(one("Dec  7 17:44:09 other[1]: reply a.test is 198.51.100.7"), std::nullopt);
    // Hostile names never make an answer.
    for (const char* name : {"evil\\032name.test", "a..test", "a test.test", "x",
                             "evil\x1b[31m.test", "a.test/../b", "\xd0\xb0.test"})
        EXPECT_EQ(one(at(std::string("reply ") + name + " is 198.51.100.7")), std::nullopt) << name;
    EXPECT_EQ(one(at("reply " + std::string(254, 'a') + " is 198.51.100.7")), std::nullopt);
}

TEST(DnsLog, AnswerThroughCnamesIsNamedByTheNameAskedFor) {
    DnsLog::Reader reader;
    EXPECT_EQ(reader.line(at("query[A] app.example-cdn.test from 127.0.0.1")), std::nullopt);
    EXPECT_EQ(reader.line(at("reply app.example-cdn.test is <CNAME>")), std::nullopt);
    EXPECT_EQ(reader.line(at("reply edge.cdn.test is <CNAME>")), std::nullopt);
    EXPECT_EQ(reader.line(at("reply e7.provider.test is 198.51.100.77"))->name,
              "app.example-cdn.test");
    EXPECT_EQ(reader.line(at("reply e7.provider.test is 198.51.100.78"))->name,
              "app.example-cdn.test");
    // The next answer starts afresh.
    EXPECT_EQ(reader.line(at("reply other.test is 192.0.2.9"))->name, "other.test");
    EXPECT_EQ(reader.line(at("reply e7.provider.test is 198.51.100.79"))->name, "e7.provider.test");
    // A hostile line in between breaks the chain rather than lending its head.
    reader.line(at("reply app.example-cdn.test is <CNAME>"));
    reader.line(at("reply bad..name is <CNAME>"));
    EXPECT_EQ(reader.line(at("reply e7.provider.test is 198.51.100.77"))->name, "e7.provider.test");
}

#include <string>

#include <gtest/gtest.h>

#include "block_lines.h"

using namespace std::string_literals;

namespace {

BlockLines::Entries parse(std::string_view ips, std::string_view domains) {
    BlockLines::Entries entries;
    BlockLines::add(entries, ips, domains);
    return entries;
}

// Empty lines are neither entries nor rejections.
TEST(BlockLines, EntriesAreCanonicalSortedAndCountedOnce) {
    auto entries = parse("10.0.0.2\n2001:DB8:0:0::1\n\n10.0.0.1\n2001:db8::1\n::FFFF:1.2.3.4\n\n",
                         "\nTracker.Example.COM\ntracker.example.com\n\nads.example.net");
    // An IPv4-mapped address is matched where its packets are: in the IPv4 set.
    EXPECT_EQ(entries.ipv4, (std::vector<std::string>{"1.2.3.4", "10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ(entries.ipv6, (std::vector<std::string>{"2001:db8::1"}));
    EXPECT_EQ(entries.domains,
              (std::vector<std::string>{"ads.example.net", "tracker.example.com"}));
    EXPECT_EQ(BlockLines::statusLine(entries), "ips=4 domains=2 rejected=0");
}

// Each hostile line is refused on its own while the valid lines around it stay.
class HostileAddressLine : public testing::TestWithParam<std::string> {};

TEST_P(HostileAddressLine, IsRejected) {
    auto entries = parse("192.0.2.1\n" + GetParam() + "\n2001:db8::2\n", "");
    EXPECT_EQ(entries.ipv4, std::vector<std::string>{"192.0.2.1"});
    EXPECT_EQ(entries.ipv6, std::vector<std::string>{"2001:db8::2"});
    EXPECT_EQ(entries.rejected, 1u);
}

INSTANTIATE_TEST_SUITE_P(Lines, HostileAddressLine,
                         testing::Values(" 192.0.2.7", "192.0.2.7 ", "192.0.2.7\r",
                                         "192.0.2.7\0evil"s, "192.0.2.7;nft flush ruleset",
                                         "$(reboot)", "`id`", "fe80::1%eth0", "10.0.0.0/8",
                                         "192.0.2.7, 192.0.2.8", "192.0.2.7 }", "} drop", "0x7f.1",
                                         "256.1.1.1", "1.2.3", "example.com",
                                         std::string(5000, '1'), "::1::"));

class HostileDomainLine : public testing::TestWithParam<std::string> {};

TEST_P(HostileDomainLine, IsRejected) {
    auto entries = parse("", "good.example\n" + GetParam() + "\nfine.example");
    EXPECT_EQ(entries.domains, (std::vector<std::string>{"fine.example", "good.example"}));
    EXPECT_EQ(entries.rejected, 1u);
}

INSTANTIATE_TEST_SUITE_P(Lines, HostileDomainLine,
                         testing::Values("evil.example localhost", "evil.example\r",
                                         "evil.example\0x"s, "evil.example\t127.0.0.1",
                                         "evil.example;rm -rf /", "$(evil).example",
                                         "evil.example#", "*.evil.example", ".evil.example",
                                         "evil..example", "evil", "192.0.2.1", "::1",
                                         "fe80::1%eth0", "évil.example", "evil_1.example",
                                         std::string(250, 'a') + ".com", "# BEGIN nattervane"));

} // namespace

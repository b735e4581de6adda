// SPDX-License-Identifier: GPL-3.0-or-later
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
TEST(BlockLines, HostileLinesAreRejected) {
    const BlockLines::Entries kept{
        {"192.0.2.1"}, {"2001:db8::2"}, {"fine.example", "good.example"}, 1};
    for (const std::string& line :
         {" 192.0.2.7"s, "192.0.2.7 "s, "192.0.2.7\r"s, "192.0.2.7\0evil"s,
          "192.0.2.7;nft flush ruleset"s, "$(reboot)"s, "`id`"s, "fe80::1%eth0"s, "10.0.0.0/8"s,
          "192.0.2.7, 192.0.2.8"s, "192.0.2.7 }"s, "} drop"s, "0x7f.1"s, "256.1.1.1"s, "1.2.3"s,
          "example.com"s, std::string(5000, '1'), "::1::"s})
        EXPECT_EQ(parse("192.0.2.1\n" + line + "\n2001:db8::2\n", "good.example\nfine.example"),
                  kept)
            << line;
    for (const std::string& line :
         {"evil.example localhost"s, "evil.example\r"s, "evil.example\0x"s,
          "evil.example\t127.0.0.1"s, "evil.example;rm -rf /"s, "$(evil).example"s,
          "evil.example#"s, "*.evil.example"s, ".evil.example"s, "evil..example"s, "evil"s,
          "192.0.2.1"s, "::1"s, "fe80::1%eth0"s, "évil.example"s, "evil_1.example"s,
          std::string(250, 'a') + ".com", "# BEGIN nattervane"s})
        EXPECT_EQ(parse("192.0.2.1\n2001:db8::2\n", "good.example\n" + line + "\nfine.example"),
                  kept)
            << line;
}

} // namespace

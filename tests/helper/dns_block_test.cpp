// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "dns_block.h"

namespace {

TEST(DnsBlock, ServersFileBlocksEachDomainOnceAndOwnDomainsAreThoseNotListed) {
    EXPECT_EQ(DnsBlock::serversFile({"ads.example", "use-application-dns.net", "x.y.example"}),
              "# Written by nattervane-helper: NXDOMAIN for each domain and the names under "
              "it.\nserver=/use-application-dns.net/\nserver=/ads.example/\n"
              "server=/x.y.example/\n");
    EXPECT_TRUE(DnsBlock::serversFile({}).ends_with(".\nserver=/use-application-dns.net/\n"));
    const std::string list = "# Tracker domains\np ads.example\na track.example\n";
    EXPECT_EQ(DnsBlock::ownDomains(
                  {"ads.example", "mine.example", "sub.track.example", "track.example"}, list),
              (std::vector<std::string>{"mine.example", "sub.track.example"}));
    EXPECT_EQ(DnsBlock::ownDomains({"ads.example"}, ""), (std::vector<std::string>{"ads.example"}));
}

} // namespace

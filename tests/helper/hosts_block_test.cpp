// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hosts_block.h"

namespace {

const std::vector<std::string> domains{"ads.example", "tracker.example"};
const std::string block = "# BEGIN nattervane\n"
                          "0.0.0.0 ads.example\n:: ads.example\n"
                          "0.0.0.0 tracker.example\n:: tracker.example\n"
                          "# END nattervane\n";

// Applying and removing gives back the original byte for byte, whatever its form.
class HostsRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(HostsRoundTrip, RemoveRestoresEveryByte) {
    const std::string& original = GetParam();
    std::string applied = HostsBlock::merge(original, domains);
    EXPECT_NE(applied.find(block.substr(block.find('\n') + 1)), std::string::npos);
    EXPECT_EQ(HostsBlock::merge(applied, domains), applied);
    EXPECT_EQ(HostsBlock::merge(applied, {}), original);
}

INSTANTIATE_TEST_SUITE_P(Files, HostsRoundTrip,
                         testing::Values("", "\n", "127.0.0.1 localhost\n", "127.0.0.1 localhost",
                                         "127.0.0.1 localhost\r\n::1 localhost\r\n",
                                         "# no final break\n\n\n",
                                         "10.0.0.5 nas\t# comment \n  \n\t\n",
                                         std::string("a\0b\n", 4),
                                         "# END nattervane\n127.0.0.1 localhost\n",
                                         "# BEGIN nattervane\n127.0.0.1 localhost\n",
                                         "# BEGIN nattervane\r\n# END nattervane\r\n"));

// The block goes at the end, or where it stands with the lines added after it kept; a file
// without a final break gets it back on removal unless lines follow; a stray begin marker never
// swallows the user's lines after it; duplicated blocks collapse into one at the first; an end
// marker without line break closes the block at the end.
TEST(HostsBlock, MergeReplacesTheOneBlockWhereverItStands) {
    const std::string added = "127.0.0.1 localhost\n# BEGIN nattervane (line break added)\n"
                              "0.0.0.0 ads.example\n:: ads.example\n# END nattervane\n";
    const std::string printer = "127.0.0.1 localhost\n" + block + "192.168.1.2 printer\n";
    struct Row {
        std::string hosts;
        std::vector<std::string> domains;
        std::string merged;
    };
    for (const auto& [hosts, names, merged] : std::vector<Row>{
             {"127.0.0.1\tlocalhost\n", domains, "127.0.0.1\tlocalhost\n" + block},
             {"", domains, block},
             {printer,
              {"new.example"},
              "127.0.0.1 localhost\n# BEGIN nattervane\n0.0.0.0 new.example\n:: new.example\n"
              "# END nattervane\n192.168.1.2 printer\n"},
             {printer, {}, "127.0.0.1 localhost\n192.168.1.2 printer\n"},
             {"127.0.0.1 localhost", {"ads.example"}, added},
             {added + "10.0.0.9 later\n", {}, "127.0.0.1 localhost\n10.0.0.9 later\n"},
             {"# BEGIN nattervane\n10.0.0.1 mine\n" + block,
              {},
              "# BEGIN nattervane\n10.0.0.1 mine\n"},
             {"a\n" + block + "b\n" + block + "c\n",
              {"x.example"},
              "a\n# BEGIN nattervane\n0.0.0.0 x.example\n:: x.example\n# END nattervane\nb\nc\n"},
             {"a\n# BEGIN nattervane\n0.0.0.0 x.example\n# END nattervane", {}, "a\n"}})
        EXPECT_EQ(HostsBlock::merge(hosts, names), merged) << hosts;
}

TEST(HostsBlock, MarkersMustFormAtMostOneCompleteBlock) {
    EXPECT_EQ(HostsBlock::markerProblem("127.0.0.1 localhost\n"), std::nullopt);
    EXPECT_EQ(HostsBlock::markerProblem("a\n" + block + "b\n"), std::nullopt);
    EXPECT_EQ(HostsBlock::markerProblem("a\n" + block + block), "has 2 Nattervane blocks");
    EXPECT_EQ(HostsBlock::markerProblem("# BEGIN nattervane\na\n"),
              "has a Nattervane marker without its partner");
    EXPECT_EQ(HostsBlock::markerProblem("# END nattervane\n# BEGIN nattervane\n"),
              "has a Nattervane marker without its partner");
    EXPECT_EQ(HostsBlock::markerProblem("# BEGIN nattervane\n" + block), "has 2 Nattervane blocks");
    // Only whole lines are markers.
    EXPECT_EQ(HostsBlock::markerProblem("# BEGIN nattervane \n#  END nattervane\n"), std::nullopt);
}

} // namespace

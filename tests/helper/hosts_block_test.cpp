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

TEST(HostsBlock, AppendsOneBlockMappingEachDomainToBothAnyAddresses) {
    EXPECT_EQ(HostsBlock::merge("127.0.0.1\tlocalhost\n", domains),
              "127.0.0.1\tlocalhost\n" + block);
    EXPECT_EQ(HostsBlock::merge("", domains), block);
    EXPECT_EQ(HostsBlock::merge("", {}), "");
}

// Applying and removing gives back the original byte for byte, whatever its form.
class HostsRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(HostsRoundTrip, RemoveRestoresEveryByte) {
    const std::string& original = GetParam();
    std::string applied = HostsBlock::merge(original, domains).value();
    EXPECT_NE(applied.find(block.substr(block.find('\n') + 1)), std::string::npos);
    EXPECT_EQ(HostsBlock::merge(applied, domains), applied);
    EXPECT_EQ(HostsBlock::merge(applied, {"other.example"})->find("tracker.example"),
              std::string::npos);
    EXPECT_EQ(HostsBlock::merge(applied, {}), original);
}

INSTANTIATE_TEST_SUITE_P(Files, HostsRoundTrip,
                         testing::Values("", "\n", "127.0.0.1 localhost\n", "127.0.0.1 localhost",
                                         "127.0.0.1 localhost\r\n::1 localhost\r\n",
                                         "# no final break\n\n\n",
                                         "10.0.0.5 nas\t# comment \n  \n\t\n",
                                         std::string("a\0b\n", 4), "# BEGIN nattervane \n",
                                         "# BEGIN nattervane\r\n# END nattervane\r\n"));

TEST(HostsBlock, ReplacesTheBlockWhereItStandsAndKeepsLinesAddedAfterIt) {
    std::string hosts = "127.0.0.1 localhost\n" + block + "192.168.1.2 printer\n";
    EXPECT_EQ(HostsBlock::merge(hosts, {"new.example"}),
              "127.0.0.1 localhost\n# BEGIN nattervane\n0.0.0.0 new.example\n:: new.example\n"
              "# END nattervane\n192.168.1.2 printer\n");
    EXPECT_EQ(HostsBlock::merge(hosts, {}), "127.0.0.1 localhost\n192.168.1.2 printer\n");
}

TEST(HostsBlock, AFileWithoutFinalBreakGetsItBackOnRemovalUnlessLinesFollow) {
    std::string applied = HostsBlock::merge("127.0.0.1 localhost", {"ads.example"}).value();
    EXPECT_EQ(applied, "127.0.0.1 localhost\n# BEGIN nattervane (line break added)\n"
                       "0.0.0.0 ads.example\n:: ads.example\n# END nattervane\n");
    EXPECT_EQ(HostsBlock::merge(applied + "10.0.0.9 later\n", {}),
              "127.0.0.1 localhost\n10.0.0.9 later\n");
}

// Markers that do not form one block cannot be told from the user's lines: the file is left
// alone. Pairing them anyway made each later merge take more of the file, here "10.0.0.1 mine".
TEST(HostsBlock, StrayOrRepeatedMarkersLeaveTheFileAlone) {
    const std::string begin = "# BEGIN nattervane\n", end = "# END nattervane\n";
    for (const std::string& hosts :
         {begin + "10.0.0.1 mine\n", "10.0.0.1 mine\n" + end, begin + "10.0.0.1 mine\n" + block,
          "a\n" + block + "b\n" + block, end + begin, begin + begin + end + end,
          begin + end + begin + begin + "10.0.0.1 mine\n" + begin + end + end}) {
        EXPECT_EQ(HostsBlock::merge(hosts, domains), std::nullopt) << hosts;
        EXPECT_EQ(HostsBlock::merge(hosts, {}), std::nullopt) << hosts;
    }
}

TEST(HostsBlock, AnEndMarkerWithoutLineBreakClosesTheBlockAtTheEnd) {
    EXPECT_EQ(HostsBlock::merge("a\n# BEGIN nattervane\n0.0.0.0 x.example\n# END nattervane", {}),
              "a\n");
}

} // namespace

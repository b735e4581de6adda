#include <gtest/gtest.h>

#include "helper_options.h"

namespace {

std::variant<HelperOptions, std::string> parse(std::vector<std::string> arguments) {
    return HelperOptions::parse(arguments, platform::linux());
}

TEST(HelperOptions, ApplyTakesTheDirectoryAndOptionalPaths) {
    auto parsed = parse({"apply", "/home/u/d", "--hosts", "/tmp/h", "--status", "/tmp/s", "--user",
                         "u", "--dry-run"});
    ASSERT_TRUE(std::holds_alternative<HelperOptions>(parsed));
    HelperOptions expected{.command = HelperOptions::Command::apply,
                           .directory = "/home/u/d",
                           .hostsFile = "/tmp/h",
                           .hostsGiven = true,
                           .statusFile = "/tmp/s",
                           .user = "u",
                           .dryRun = true};
    EXPECT_EQ(std::get<HelperOptions>(parsed), expected);
}

TEST(HelperOptions, DnsModeAndItsFiles) {
    auto parsed = parse({"apply", "/d", "--dns", "networkmanager", "--servers", "/tmp/s.conf",
                         "--listed", "/tmp/t.txt"});
    ASSERT_TRUE(std::holds_alternative<HelperOptions>(parsed));
    const auto& options = std::get<HelperOptions>(parsed);
    EXPECT_EQ(options.dnsMode, DnsBlock::Mode::networkManager);
    EXPECT_EQ(options.serversFile, "/tmp/s.conf");
    EXPECT_EQ(options.listedFile, "/tmp/t.txt");
    const auto defaults = std::get<HelperOptions>(parse({"apply", "/d"}));
    EXPECT_EQ(defaults.dnsMode, DnsBlock::Mode::hosts);
    EXPECT_EQ(defaults.serversFile, "/var/lib/nattervane/dns-block.conf");
    EXPECT_EQ(defaults.listedFile, "/usr/local/lib/nattervane/trackers.txt");
    for (const char* mode : {"hosts", "resolved", "networkmanager", "own"})
        EXPECT_EQ(
            DnsBlock::name(std::get<HelperOptions>(parse({"apply", "/d", "--dns", mode})).dnsMode),
            mode);
}

TEST(HelperOptions, DefaultsAreTheSystemFiles) {
    auto parsed = parse({"remove"});
    ASSERT_TRUE(std::holds_alternative<HelperOptions>(parsed));
    const auto& options = std::get<HelperOptions>(parsed);
    EXPECT_EQ(options.command, HelperOptions::Command::remove);
    EXPECT_EQ(options.hostsFile, "/etc/hosts");
    EXPECT_FALSE(options.hostsGiven);
    EXPECT_EQ(options.statusFile, "/var/lib/nattervane/status.txt");
    EXPECT_EQ(
        std::get<HelperOptions>(HelperOptions::parse({"remove"}, platform::macos())).statusFile,
        "/Library/Application Support/Nattervane/status.txt");
}

TEST(HelperOptions, NamesTakesTheQueryLogTheOutputAndTheUser) {
    auto parsed = parse({"names", "/run/q.log", "--out", "/run/n", "--user", "u"});
    ASSERT_TRUE(std::holds_alternative<HelperOptions>(parsed));
    const auto& options = std::get<HelperOptions>(parsed);
    EXPECT_EQ(options.command, HelperOptions::Command::names);
    EXPECT_EQ(options.queryLog, "/run/q.log");
    EXPECT_EQ(options.namesFile, "/run/n");
    EXPECT_EQ(options.user, "u");
    EXPECT_EQ(std::get<HelperOptions>(parse({"names", "/q"})).namesFile, "/run/nattervane/names");
}

TEST(HelperOptions, WrongCommandLinesAreRefused) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"flush"},
                                               {"apply"},
                                               {"apply", "--hosts", "/tmp/h"},
                                               {"apply", "/d", "--hosts"},
                                               {"apply", "/d", "--status", ""},
                                               {"apply", "/d", "--force"},
                                               {"remove", "--user", "u"},
                                               {"remove", "/d"},
                                               {"apply", "/d", "--dns", "dnsmasq"},
                                               {"apply", "/d", "--dns"},
                                               {"remove", "--dns", "own"},
                                               {"remove", "--listed", "/t"},
                                               {"names"},
                                               {"names", "--out", "/n"},
                                               {"names", "/q", "--out"},
                                               {"names", "/q", "--out", ""},
                                               {"names", "/q", "--dns", "own"},
                                               {"names", "/q", "--dry-run"}})
        EXPECT_TRUE(std::holds_alternative<std::string>(parse(arguments)))
            << testing::PrintToString(arguments);
}

} // namespace

#include <gtest/gtest.h>

#include "helper_options.h"

// The expected options name only what differs from the defaults; GCC 12 would warn of every
// member a designated initialiser leaves out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Command = HelperOptions::Command;

std::variant<HelperOptions, std::string> parse(std::vector<std::string> arguments) {
    return HelperOptions::parse(arguments, platform::linux());
}

// Each command takes its own options; what is not given is the system's file.
TEST(HelperOptions, EachCommandTakesItsOptionsOverTheDefaults) {
    const std::string status = "/var/lib/nattervane/status.txt";
    struct Row {
        std::vector<std::string> arguments;
        HelperOptions expected;
    };
    for (const auto& [arguments, expected] : std::vector<Row>{
             {{"apply", "/home/u/d", "--hosts", "/tmp/h", "--status", "/tmp/s", "--user", "u",
               "--dry-run"},
              {.directory = "/home/u/d",
              .hostsFile = "/tmp/h",
              .hostsGiven = true,
              .statusFile = "/tmp/s",
              .user = "u",
              .dryRun = true}},
             {{"apply", "/d", "--dns", "networkmanager", "--servers", "/tmp/s.conf", "--listed",
               "/tmp/t.txt"},
              {.directory = "/d",
              .statusFile = status,
              .dnsMode = DnsBlock::Mode::networkManager,
              .serversFile = "/tmp/s.conf",
              .listedFile = "/tmp/t.txt"}},
             {{"remove"}, {.command = Command::remove, .statusFile = status}},
             {{"names", "/run/q.log", "--out", "/run/n", "--user", "u"},
              {.command = Command::names,
              .statusFile = status,
              .user = "u",
              .queryLog = "/run/q.log",
              .namesFile = "/run/n"}},
             {{"names", "/q"}, {.command = Command::names, .statusFile = status, .queryLog = "/q"}},
             {{"events", "--socket", "/tmp/s", "--user", "u", "--programs", "/p", "--names", "/n"},
              {.command = Command::events,
              .statusFile = status,
              .user = "u",
              .namesFile = "/n",
              .eventsSocket = "/tmp/s",
              .programRules = "/p"}},
             {{"events"},
              {.command = Command::events,
              .statusFile = status,
              .eventsSocket = "/run/nattervane-events/socket"}}})
        EXPECT_EQ(std::get<HelperOptions>(parse(arguments)), expected)
            << testing::PrintToString(arguments);
    for (const char* mode : {"hosts", "resolved", "networkmanager", "own"})
        EXPECT_EQ(
            DnsBlock::name(std::get<HelperOptions>(parse({"apply", "/d", "--dns", mode})).dnsMode),
            mode);
    EXPECT_EQ(
        std::get<HelperOptions>(HelperOptions::parse({"remove"}, platform::macos())).statusFile,
        "/Library/Application Support/Nattervane/status.txt");
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
                                               {"names", "/q", "--dry-run"},
                                               {"events", "--out", "x"},
                                               {"events", "--socket"},
                                               {"events", "--user", ""}})
        EXPECT_TRUE(std::holds_alternative<std::string>(parse(arguments)))
            << testing::PrintToString(arguments);
}

} // namespace

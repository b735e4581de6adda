// SPDX-License-Identifier: GPL-3.0-or-later
#include <sstream>

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

// Each command takes its own options; what is not given is the system's file. The event
// service's default socket is events.sh's check, with the installed service.
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
              .programRules = "/p"}}})
        EXPECT_EQ(std::get<HelperOptions>(parse(arguments)), expected)
            << testing::PrintToString(arguments);
    EXPECT_EQ(
        std::get<HelperOptions>(HelperOptions::parse({"remove"}, platform::macos())).statusFile,
        "/Library/Application Support/Nattervane/status.txt");
}

// One command line a line, '' an empty argument; the first line has no argument at all.
TEST(HelperOptions, WrongCommandLinesAreRefused) {
    std::istringstream lines(
        "\nflush\napply\napply --hosts /tmp/h\napply /d --hosts\napply /d --status ''\n"
        "apply /d --force\nremove --user u\nremove /d\napply /d --dns dnsmasq\napply /d --dns\n"
        "remove --dns own\nremove --listed /t\nnames\nnames --out /n\nnames /q --out\n"
        "names /q --out ''\nnames /q --dns own\nnames /q --dry-run\nevents --out x\n"
        "events --socket\nevents --user ''\n");
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> arguments;
        std::istringstream words(line);
        for (std::string word; words >> word;)
            arguments.push_back(word == "''" ? "" : word);
        EXPECT_TRUE(std::holds_alternative<std::string>(parse(arguments))) << line;
    }
}

} // namespace

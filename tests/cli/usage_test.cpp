// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <utility>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "temp_dir.h"

// A wrong command line of any command says what is wrong, exits with status 2 with that command's
// usage lines and where its help is, not the whole summary, and writes nothing.
TEST(CliUsage, WrongCommandLinesExitWithStatusTwoAndTheUsage) {
    TempDir home;
    const std::string environment =
        "HOME='" + home.path() + "' NATTERVANE_HOME='" + home.path() + "/data'";
    const std::string days = "--days needs a whole number of days, at least 1";
    const std::string autostart = "autostart takes one of on, off, status";
    const std::string wait = "--wait takes a number of seconds from 0 to 60";
    for (const auto& [arguments, problem] : std::vector<std::pair<std::string, std::string>>{
             {"", "no command given"},
             {"fly", "unknown command: fly"},
             {"journal --days", days},
             {"journal --days 0", days},
             {"journal --days 3x", days},
             {"journal --bogus", "unknown option for journal: --bogus"},
             {"rules --all", "unknown option for rules: --all"},
             {"autostart", autostart},
             {"autostart yes", autostart},
             {"classify", "classify takes an address and an optional host name"},
             {"classify example.com", "not an IP address: example.com"},
             {"classify 1.2.3.4 'bad host'", "not a host name: bad host"},
             {"classify 1.2.3.4 --lang de", "--lang takes en or ru"},
             {"classify --bogus", "unknown option for classify: --bogus"},
             {"scan --wait", wait},
             {"scan --wait -1", wait},
             {"scan --wait x", wait},
             {"scan --lang", "--lang takes en or ru"},
             {"scan --remote", "unknown option for scan: --remote"},
             {"flows --bogus", "unknown option for flows: --bogus"},
             {"flows --watch 0", "--watch takes a number of seconds from 0.5 to 60"},
             {"flows --watch 1 --json", "--watch and --json cannot go together"},
             {"flows --count 0", "--count takes a whole number"}}) {
        CliResult result = runCli(arguments, "2>&1", environment);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_TRUE(result.out.starts_with("nattervane-cli: " + problem + "\n")) << result.out;
        const std::string command = arguments.substr(0, arguments.find(' '));
        const bool known = command != "" && command != "fly";
        EXPECT_TRUE(has(result.out, "\nusage: nattervane-cli " + (known ? command : "COMMAND")))
            << result.out;
        EXPECT_TRUE(result.out.ends_with("Try 'nattervane-cli " + (known ? command + " " : "") +
                                         "--help'.\n"))
            << result.out;
        EXPECT_FALSE(has(result.out, "commands:")) << result.out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

// Every command answers --help and -h anywhere among its words with its own usage, as `help
// COMMAND` does; -V is --version.
TEST(CliUsage, EachCommandHasItsOwnHelp) {
    for (const char* command :
         {"scan", "classify", "flows", "watch", "journal", "rules", "autostart", "help"}) {
        const std::string usage = "usage: nattervane-cli " + std::string(command);
        for (const std::string& arguments :
             {std::string(command) + " --help", std::string(command) + " --json -h",
              "help " + std::string(command)}) {
            CliResult result = runCli(arguments, "2>&1");
            EXPECT_EQ(result.status, 0) << arguments;
            EXPECT_TRUE(result.out.starts_with(usage)) << arguments << ": " << result.out;
            EXPECT_TRUE(has(result.out, "\noptions:\n")) << result.out;
        }
    }
    EXPECT_EQ(runCli("help fly").status, 2);
    EXPECT_EQ(runCli("-V").out, runCli("--version").out);
    EXPECT_TRUE(runCli("-V").out.starts_with("nattervane-cli "));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <utility>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "temp_dir.h"

// A wrong command line of any command says what is wrong, exits with status 2 and the usage, and
// writes nothing.
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
        EXPECT_TRUE(has(result.out, "usage: nattervane-cli")) << arguments;
    }
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

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
    for (const auto& [arguments, problem] : std::vector<std::pair<std::string, std::string>>{
             {"journal --days", days},
             {"journal --days abc", days},
             {"journal --days 0", days},
             {"journal --days -2", days},
             {"journal --days 3x", days},
             {"journal --bogus", "unknown option for journal: --bogus"},
             {"journal --days 2 --json extra", "unknown option for journal: extra"},
             {"rules --all", "unknown option for rules: --all"},
             {"autostart", autostart},
             {"autostart yes", autostart},
             {"autostart on off", autostart}}) {
        CliResult result = runCli(arguments, "2>&1", environment);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_TRUE(result.out.starts_with("nattervane-cli: " + problem + "\n")) << result.out;
        EXPECT_NE(result.out.find("usage: nattervane-cli"), std::string::npos) << arguments;
    }
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

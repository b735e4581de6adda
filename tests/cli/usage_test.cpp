#include <filesystem>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "temp_dir.h"

// A wrong command line of any command exits with status 2 and the usage, and writes nothing.
TEST(CliUsage, WrongCommandLinesExitWithStatusTwoAndTheUsage) {
    TempDir home;
    const std::string environment =
        "HOME='" + home.path() + "' NATTERVANE_HOME='" + home.path() + "/data'";
    for (const char* arguments :
         {"journal --days", "journal --days abc", "journal --days 0", "journal --days -2",
          "journal --days 3x", "journal --bogus", "journal --days 2 --json extra", "rules --all",
          "autostart", "autostart yes", "autostart on off"}) {
        CliResult result = runCli(arguments, "2>&1", environment);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_NE(result.out.find("usage: nattervane-cli"), std::string::npos) << arguments;
    }
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

CliResult autostart(const std::string& environment, const std::string& word) {
    return runCli("autostart " + word, "2>&1", "env -u XDG_CONFIG_HOME " + environment);
}

} // namespace

TEST(AutostartCommand, WritesAndRemovesTheEntryWhereTheEnvironmentSays) {
    TempDir home;
    const std::string environment = "HOME='" + home.path() + "'";
    const std::string entry = home / ".config/autostart/nattervane.desktop";
    EXPECT_EQ(autostart(environment, "status").out, "autostart is off\n");
    EXPECT_EQ(autostart(environment, "on").out, "autostart is on: " + entry + "\n");
    ASSERT_TRUE(fs::is_regular_file(entry));
    EXPECT_EQ(system(("desktop-file-validate '" + entry + "'").c_str()), 0);
    EXPECT_EQ(autostart(environment, "status").out, "autostart is on: " + entry + "\n");
    EXPECT_EQ(autostart(environment, "off").out, "autostart is off\n");
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(autostart(environment, "off").status, 0);

    // The folder comes from XDG_CONFIG_HOME; one that cannot be made fails the command.
    const std::string xdg = environment + " XDG_CONFIG_HOME='" + (home / "xdg") + "'";
    EXPECT_EQ(autostart(xdg, "on").status, 0);
    EXPECT_TRUE(fs::is_regular_file(home / "xdg/autostart/nattervane.desktop"));
    ASSERT_TRUE(fs::remove_all(home / ".config"));
    ASSERT_EQ(system(("touch '" + (home / ".config") + "'").c_str()), 0);
    CliResult blocked = autostart(environment, "on");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.out.find("cannot write"), std::string::npos) << blocked.out;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

TEST(AutostartCommand, WritesAndRemovesTheEntryWhereTheEnvironmentSays) {
    TempDir home;
    const std::string environment = "env -u XDG_CONFIG_HOME HOME='" + home.path() + "'";
    const auto autostart = [&](const std::string& word, const std::string& more = "") {
        return runCli("autostart " + word, "2>&1", environment + more);
    };
    const std::string entry = home / ".config/autostart/nattervane.desktop";
    EXPECT_EQ(autostart("status").out, "autostart is off\n");
    EXPECT_EQ(autostart("on").out, "autostart is on: " + entry + "\n");
    EXPECT_EQ(system(("desktop-file-validate '" + entry + "'").c_str()), 0);
    EXPECT_EQ(autostart("status").out, "autostart is on: " + entry + "\n");
    EXPECT_EQ(autostart("off").out, "autostart is off\n");
    EXPECT_FALSE(fs::exists(entry));
    // The folder comes from XDG_CONFIG_HOME; one that cannot be made fails the command.
    EXPECT_EQ(autostart("on", " XDG_CONFIG_HOME='" + (home / "xdg") + "'").status, 0);
    EXPECT_TRUE(fs::is_regular_file(home / "xdg/autostart/nattervane.desktop"));
    ASSERT_TRUE(fs::remove_all(home / ".config"));
    std::ofstream(home / ".config") << "a file";
    CliResult blocked = autostart("on");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_TRUE(has(blocked.out, "cannot write")) << blocked.out;
}

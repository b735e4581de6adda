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

TEST(ExportCommand, SetsOnlyItsOwnSettingUnderTheLockAndSaysWhereTheSocketIs) {
    TempDir home;
    fs::create_directories(home / "run");
    const std::string environment =
        "NATTERVANE_HOME='" + (home / "data") + "' XDG_RUNTIME_DIR='" + (home / "run") + "'";
    const auto exporting = [&](const std::string& words) {
        return runCli("export " + words, "2>&1", environment);
    };
    fs::create_directories(home / "data");
    std::ofstream(home / "data/settings.json")
        << R"({"quiet":true,"interval":15,"language":"ru","showLocal":false,"paused":false})";
    EXPECT_TRUE(has(exporting("status --lang en").out, "system journal: off\n"));
    const CliResult on = exporting("on");
    EXPECT_EQ(on.status, 0) << on.out;
    // In the settings' own language, and the rest of the file as it was.
    EXPECT_TRUE(has(on.out, "системный журнал: включено\n/run/systemd/journal.nattervane/socket: "))
        << on.out;
    EXPECT_TRUE(has(on.out, "root и группы adm, systemd-journal.")) << on.out;
    std::ifstream file(home / "data/settings.json");
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    EXPECT_TRUE(has(text, R"("exportJournal":true)") && has(text, R"("quiet":true)")) << text;
    EXPECT_TRUE(has(exporting("off --lang en").out, "system journal: off\n"));
    EXPECT_EQ(exporting("maybe").status, 2);
}

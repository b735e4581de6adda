// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "desktop/autostart.h"
#include "read_text.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

TEST(Autostart, EntryFollowsAnAbsoluteXdgConfigHomeAndExecQuotesReservedCharacters) {
    for (std::optional<std::string> ignored : {std::optional<std::string>(), {""}, {"relative/c"}})
        EXPECT_EQ(Autostart::entryPath(ignored, "/home/u"),
                  "/home/u/.config/autostart/nattervane.desktop");
    EXPECT_EQ(Autostart::entryPath(std::nullopt, ""), std::nullopt);
    auto exec = [](const std::string& program) {
        std::string text = Autostart::entryText(program).value_or("");
        size_t start = text.find("\nExec=") + 6;
        return text.substr(start, text.find('\n', start) - start);
    };
    EXPECT_EQ(exec("/usr/bin/nattervane"), "/usr/bin/nattervane");
    EXPECT_EQ(exec("/opt/100%/nattervane"), "/opt/100%%/nattervane");
    EXPECT_EQ(exec("/home/a b/nattervane"), "\"/home/a b/nattervane\"");
    EXPECT_EQ(exec("/x/$\"`\\/nattervane"), "\"/x/\\\\$\\\\\"\\\\`\\\\\\\\/nattervane\"");
    EXPECT_EQ(Autostart::entryText("/x/a\nExec=evil"), std::nullopt);
}

// On, off and status through the command line are tested with the command.
TEST(Autostart, ADesktopsOwnSwitchTurnsTheEntryOffAndTheFolderStays) {
    TempDir home;
    std::string path = *Autostart::entryPath(std::nullopt, home.path());
    EXPECT_TRUE(Autostart::disable(path)) << "switching off what is off is no error";
    ASSERT_TRUE(Autostart::enable(path, "/usr/bin/nattervane"));
    ASSERT_TRUE(AtomicFile::write(path, readText(path) + "Hidden=true\n"));
    EXPECT_FALSE(Autostart::isOn(path));
    ASSERT_TRUE(Autostart::enable(path, "/usr/bin/nattervane"));
    EXPECT_TRUE(Autostart::isOn(path));
    EXPECT_TRUE(Autostart::disable(path));
    EXPECT_TRUE(fs::exists(home / ".config/autostart")) << "the folder is the user's, it stays";
}

// The entry starts the very program switched on: by name only when PATH finds that file.
TEST(Autostart, StartsTheApplicationItWasSwitchedOnFrom) {
    TempDir bin, build;
    std::string tool = bin / "nattervane-cli";
    EXPECT_EQ(Autostart::besideTool(tool), "");
    ASSERT_TRUE(AtomicFile::write(bin / "nattervane", "#!/bin/sh\n"));
    EXPECT_EQ(Autostart::besideTool(tool), "") << "not executable";
    chmod((bin / "nattervane").c_str(), 0755);
    EXPECT_EQ(Autostart::besideTool(tool), bin / "nattervane");
    fs::create_directories(build / "src/app");
    fs::create_directories(build / "src/cli");
    ASSERT_TRUE(AtomicFile::write(build / "src/app/nattervane", "#!/bin/sh\n"));
    chmod((build / "src/app/nattervane").c_str(), 0755);
    EXPECT_EQ(Autostart::besideTool(build / "src/cli/nattervane-cli"),
              build / "src/app/nattervane");

    const std::string installed = bin / "nattervane";
    EXPECT_EQ(Autostart::program(installed, "/nowhere:" + bin.path()), "nattervane");
    EXPECT_EQ(Autostart::program(installed,
                                 bin.path() + "/../" + fs::path(bin.path()).filename().string()),
              "nattervane")
        << "the same file by another path";
    EXPECT_EQ(Autostart::program(build / "src/app/nattervane", bin.path()),
              build / "src/app/nattervane")
        << "PATH finds another copy";
    EXPECT_EQ(Autostart::program(installed, std::nullopt), installed);
    EXPECT_EQ(Autostart::program("", bin.path()), "nattervane");
}

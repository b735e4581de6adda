// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "desktop/launch_options.h"

using namespace LaunchOptions;

TEST(LaunchOptions, OnlyExactWordsCount) {
    EXPECT_TRUE(opensWindow({"nattervane", "--open", "--open"}, std::nullopt));
    EXPECT_TRUE(opensWindow({}, "1"));
    for (const char* value : {"true", "yes", "01", "", " 1"})
        EXPECT_FALSE(opensWindow({"nattervane", "--opened", "-open"}, value)) << value;
    EXPECT_FALSE(opensWindow({}, std::nullopt));
    EXPECT_EQ(unknownArgument({"--open", "--open"}), std::nullopt);
    EXPECT_EQ(unknownArgument({"--open", "-open", "--open"}), "-open");
    EXPECT_EQ(unknownArgument({"file.txt"}), "file.txt");
    // The snapshot waits 20 s unless told otherwise, and quits only on exactly "1".
    EXPECT_EQ(snapshotWait(std::nullopt), 20);
    EXPECT_EQ(snapshotWait("0"), 0);
    EXPECT_EQ(snapshotWait("2.5"), 2.5);
    for (const char* bad : {"", "abc", "5s", " 5", "inf", "nan", "1e999"})
        EXPECT_EQ(snapshotWait(bad), 20) << bad;
    EXPECT_EQ(snapshotWait("-3"), 0);
    EXPECT_TRUE(quitsAfterSnapshot("1"));
    for (std::optional<std::string> value : {std::optional<std::string>(), {"yes"}, {"01"}, {""}})
        EXPECT_FALSE(quitsAfterSnapshot(value)) << value.value_or("-");
}

TEST(LaunchOptions, NoDisplayOnlyWhenQtWouldNeedOne) {
    const std::optional<std::string> unset;
    EXPECT_TRUE(lacksDisplay(unset, unset, unset));
    EXPECT_TRUE(lacksDisplay("wayland;xcb", "", ""));
    EXPECT_TRUE(lacksDisplay("xcb", unset, unset));
    EXPECT_FALSE(lacksDisplay(unset, ":0", unset));
    EXPECT_FALSE(lacksDisplay("wayland", unset, "wayland-1"));
    for (const char* plugin : {"offscreen", "vnc:size=800x600", "wayland;offscreen", "minimal"})
        EXPECT_FALSE(lacksDisplay(plugin, unset, unset)) << plugin;
}

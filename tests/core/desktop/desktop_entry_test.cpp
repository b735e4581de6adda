// SPDX-License-Identifier: GPL-3.0-or-later
#include <fstream>

#include <gtest/gtest.h>

#include "desktop/desktop_entry.h"
#include "temp_dir.h"

TEST(DesktopEntry, IconOfTheFirstEntryThatRunsTheProgram) {
    const std::string entry = "[Desktop Entry]\nName=Browser\nExec=env A=1 \"/opt/web/browser\" "
                              "%U\nIcon = web-browser\n[Desktop Action new]\nIcon=other\n";
    EXPECT_EQ(DesktopEntry::iconFor(entry, "/opt/web/browser"), "web-browser");
    EXPECT_EQ(DesktopEntry::iconFor(entry, "/usr/bin/browser"), std::nullopt);
    EXPECT_EQ(DesktopEntry::iconFor("[Desktop Entry]\nExec=mail --x\nIcon=/i/mail.png\n",
                                    "/usr/bin/mail"),
              "/i/mail.png");
    EXPECT_EQ(DesktopEntry::iconFor("[Other]\nExec=mail\nIcon=x\n", "/usr/bin/mail"), std::nullopt);
    EXPECT_EQ(DesktopEntry::iconFor("[Desktop Entry]\nExec=mail\n", "/usr/bin/mail"), std::nullopt);
    EXPECT_EQ(DesktopEntry::iconFor("[Desktop Entry]\nExec=env\nIcon=x\n", "/usr/bin/env"),
              std::nullopt);
    // The first matching file of the folders, whatever its name, gives the icon.
    TempDir dir;
    std::ofstream(dir / "notes.txt") << "[Desktop Entry]\nExec=chat\nIcon=wrong\n";
    std::ofstream(dir / "chat.desktop") << "[Desktop Entry]\nTryExec=chat\nIcon=chat-icon\n";
    EXPECT_EQ(DesktopEntry::find({dir / "missing", dir.path()}, "/usr/bin/chat"), "chat-icon");
    EXPECT_EQ(DesktopEntry::find({dir.path()}, "/usr/bin/other"), std::nullopt);
}

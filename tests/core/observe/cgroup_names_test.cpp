// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "observe/cgroup_names.h"
#include "observe/socket_origins.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Group = CgroupNames::Group;
using Kind = CgroupNames::Group::Kind;

uint64_t inode(const std::string& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_ino;
}

} // namespace

TEST(CgroupNames, TheInnermostUnitSaysWhoAGroupStandsFor) {
    const std::string user = "/user.slice/user-1000.slice/user@1000.service";
    struct Case {
        std::string path;
        Group group;
    };
    for (const Case& c : {
             Case{"/system.slice/cups.service", {Kind::systemService, "cups.service"}},
             Case{"/system.slice/system-getty.slice/getty@tty1.service",
                  {Kind::systemService, "getty@tty1.service"}},
             Case{user + "/app.slice/app-gnome-org.gnome.Terminal-4242.scope",
                  {Kind::application, "org.gnome.Terminal"}},
             Case{user + "/app.slice/app-firefox@a1b2.service", {Kind::application, "firefox"}},
             Case{user + "/app.slice/app-flatpak-org.example.Tool-99.scope",
                  {Kind::application, "org.example.Tool"}},
             // An id's own dashes are escaped in a unit name.
             Case{user + "/app.slice/app-my\\x2dtool-7.scope", {Kind::application, "my-tool"}},
             Case{user + "/session.slice/pipewire.service",
                  {Kind::userService, "pipewire.service"}},
             // A login session, the manager itself, the root and the init scope name nobody.
             Case{"/user.slice/user-1000.slice/session-2.scope", {}},
             Case{user + "/init.scope", {}},
             Case{"/", {}},
             Case{"/system.slice/app-.scope", {}},
         })
        EXPECT_EQ(CgroupNames::describe(c.path), c.group) << c.path;
}

TEST(CgroupNames, TheMountIsFoundInTheMountTable) {
    std::string hybrid = "25 1 8:1 / / rw - ext4 /dev/root rw\n"
                         "30 25 0:26 / /sys/fs/cgroup ro - tmpfs tmpfs ro\n"
                         "31 30 0:27 / /sys/fs/cgroup/unified rw,nosuid - cgroup2 cgroup2 rw\n"
                         "32 30 0:28 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n";
    EXPECT_EQ(CgroupNames::findMount(hybrid), "/sys/fs/cgroup/unified");
    EXPECT_EQ(CgroupNames::findMount("40 1 0:30 / /my\\040cgroups rw - cgroup2 none rw\n"),
              "/my cgroups");
    for (const char* none : {"", "garbage\n", "31 30 0:27 / /sys/fs/cgroup rw - cgroup x rw\n",
                             "31 30 0:27 / /x rw -\n"})
        EXPECT_EQ(CgroupNames::findMount(none), std::nullopt) << none;
}

// A hierarchy of folders, named by their inodes as cgroup ids are, with the unit files and the
// desktop entry that name them.
TEST(SocketOrigins, AGroupOrAUserNamesASocketNoProcessCanBeReadFor) {
    TempDir root;
    const std::string cups = root / "cgroup/system.slice/cups.service";
    const std::string getty = root / "cgroup/system.slice/getty@tty1.service";
    const std::string app = root / "cgroup/user.slice/user@1000.service/app-gnome-editor-9.scope";
    for (const std::string& folder : {cups, getty, app, root / "units", root / "apps"})
        fs::create_directories(folder);
    ASSERT_TRUE(AtomicFile::write(root / "units/cups.service", "[Unit]\nDescription=CUPS\n"));
    ASSERT_TRUE(
        AtomicFile::write(root / "units/getty@.service", "[Unit]\nDescription=Getty on %I\n"));
    ASSERT_TRUE(AtomicFile::write(root / "apps/editor.desktop",
                                  "[Desktop Entry]\nName=Editor\nName[ru]=Редактор\n"));
    SocketOrigins origins(CgroupNames(root / "cgroup"),
                          UnitNames({{root / "missing", root / "units"}, {}, {root / "apps"}}));
    auto of = [&](const std::string& folder, std::optional<uint32_t> uid, Lang lang) {
        return origins.identity({.uid = uid, .cgroupId = inode(folder)}, lang);
    };
    EXPECT_EQ(of(cups, 0, Lang::en), AppIdentity::ofUnit("cups.service", "CUPS", true));
    EXPECT_EQ(of(getty, 0, Lang::en).name, "Getty on tty1 (getty@tty1.service)");
    EXPECT_EQ(of(app, 1000, Lang::ru), AppIdentity::ofApplication("Редактор"));
    EXPECT_EQ(of(app, 1000, Lang::en), AppIdentity::ofApplication("Editor"));
    // A group that stands for nobody, or none known: the user who made the socket, else nobody.
    EXPECT_EQ(of(root / "cgroup", 0, Lang::en), AppIdentity::ofUser("root", Lang::en));
    EXPECT_EQ(origins.identity({.uid = 0, .cgroupId = 1}, Lang::ru).name,
              "Программа пользователя root");
    EXPECT_EQ(origins.identity({}, Lang::en), AppIdentity::unknown(Lang::en));
    // A unit without a file of its own is named by the unit.
    fs::create_directories(root / "cgroup/system.slice/late.service");
    origins.nextScan();
    EXPECT_EQ(of(root / "cgroup/system.slice/late.service", 0, Lang::en).name, "late.service");
}

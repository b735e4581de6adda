#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "atomic_file.h"
#include "command_runner.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string scripts = NATTERVANE_HELPER_SCRIPTS;

TEST(InstallScripts, EveryScriptIsValidPosixShell) {
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scripts)) {
        if (entry.path().extension() != ".sh") continue;
        CommandResult result = runCommand({"/bin/sh", "-n", entry.path()}, "", 10);
        EXPECT_EQ(result, (CommandResult{0, ""})) << entry.path();
        ++checked;
    }
    EXPECT_EQ(checked, 4);
}

// The Linux install script run into a temporary root, which starts nothing.
class LinuxInstall : public testing::Test {
  protected:
    // The scripts and the program side by side, as an installed application ships them.
    void SetUp() override {
        fs::create_directories(root_ / "etc");
        AtomicFile::write(root_ / "etc/hosts", "127.0.0.1 localhost\n");
        fs::create_directory(root_ / "bundle");
        fs::copy(scripts + "/linux", root_ / "bundle");
        fs::copy_file(NATTERVANE_HELPER, root_ / "bundle/nattervane-helper");
    }
    CommandResult install(const std::string& dir, const std::string& user) {
        return runCommand({"/usr/bin/env", "NATTERVANE_INSTALL_ROOT=" + root_.path(), "/bin/sh",
                           root_ / "bundle/nv-install.sh", dir, user},
                          "", 30);
    }
    std::string file(const std::string& path) {
        return AtomicFile::read(root_ / path).value_or("<missing>");
    }

    TempDir root_;
};

TEST_F(LinuxInstall, UnitsPassAnyDirectoryAsOneArgument) {
    if (geteuid() != 0) GTEST_SKIP() << "the install script runs as root only";
    std::string dir = "/home/o'neil \"x\" 100%$HOME\\n/helper";
    ASSERT_EQ(install(dir, "root"), (CommandResult{0, ""}));
    std::string service = file("etc/systemd/system/nattervane-helper.service");
    EXPECT_NE(service.find("\nExecStart=/usr/local/lib/nattervane/nattervane-helper apply "
                           "\"/home/o'neil \\\"x\\\" 100%%$$HOME\\\\n/helper\" --user \"root\"\n"),
              std::string::npos)
        << service;
    std::string path = file("etc/systemd/system/nattervane-helper.path");
    EXPECT_NE(path.find("\nPathChanged=/home/o'neil \"x\" 100%%$HOME\\n/helper/block_ips.txt\n"
                        "PathChanged=/home/o'neil \"x\" 100%%$HOME\\n/helper/block_domains.txt\n"),
              std::string::npos)
        << path;
    EXPECT_EQ(file("var/lib/nattervane/hosts.backup"), "127.0.0.1 localhost\n");
    for (const char* program : {"nattervane-helper", "nv-uninstall.sh"}) {
        struct stat info {};
        ASSERT_EQ(stat((root_ / "usr/local/lib/nattervane/" + program).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0755u) << program;
    }
}

TEST_F(LinuxInstall, ABadDirectoryOrUserInstallsNothing) {
    if (geteuid() != 0) GTEST_SKIP() << "the install script runs as root only";
    for (const auto& [dir, user] :
         std::vector<std::pair<std::string, std::string>>{{"relative/helper", "root"},
                                                          {"/home/a\nb/helper", "root"},
                                                          {"/home/a/helper", "no-such-user-nv"}}) {
        EXPECT_EQ(install(dir, user).status, 1) << dir << " " << user;
        EXPECT_FALSE(fs::exists(root_ / "etc/systemd/system/nattervane-helper.path"));
    }
}

} // namespace

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "firewall_backend.h"
#include "read_text.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string scripts = NATTERVANE_HELPER_SCRIPTS;

TEST(InstallScripts, EveryScriptIsValidPosixShell) {
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scripts)) {
        if (entry.path().extension() != ".sh") continue;
        ToolRunner::Outcome result =
            ToolRunner::run({"/bin/sh", "-n", entry.path()}, FirewallBackend::commandOptions())
                .value();
        EXPECT_EQ(result, (ToolRunner::Outcome{.status = 0})) << entry.path();
        ++checked;
    }
    EXPECT_EQ(checked, 5);
}

// The Linux install script run into a temporary root, which starts nothing.
class LinuxInstall : public testing::Test {
  protected:
    // The scripts and the program side by side, as an installed application ships them.
    void SetUp() override {
        fs::create_directories(root_ / "etc");
        ASSERT_TRUE(AtomicFile::write(root_ / "etc/hosts", "127.0.0.1 localhost\n"));
        fs::create_directory(root_ / "bundle");
        fs::copy(scripts + "/linux", root_ / "bundle");
        fs::copy_file(NATTERVANE_HELPER, root_ / "bundle/nattervane-helper");
    }
    ToolRunner::Outcome install(const std::string& dir, const std::string& user,
                                const std::string& mode = "own") {
        return ToolRunner::run({"/usr/bin/env", "NATTERVANE_INSTALL_ROOT=" + root_.path(),
                                "NATTERVANE_DNS_MODE=" + mode, "/bin/sh",
                                root_ / "bundle/nv-install.sh", dir, user},
                               FirewallBackend::commandOptions())
            .value();
    }
    std::string file(const std::string& path) { return readText(root_ / path); }

    TempDir root_;
};

TEST_F(LinuxInstall, UnitsPassAnyDirectoryAsOneArgument) {
    if (geteuid() != 0) GTEST_SKIP() << "the install script runs as root only";
    std::string dir = "/home/o'neil \"x\" 100%$HOME\\n/helper";
    ASSERT_EQ(install(dir, "root"), (ToolRunner::Outcome{.status = 0}));
    std::string service = file("etc/systemd/system/nattervane-helper.service");
    EXPECT_NE(service.find(
                  "\nExecStart=/usr/local/lib/nattervane/nattervane-helper apply "
                  "\"/home/o'neil \\\"x\\\" 100%%$$HOME\\\\n/helper\" --user \"root\" --dns own\n"),
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

// Each DNS mode gets its units and files, the mode filled in; hosts mode gets none of them.
TEST_F(LinuxInstall, EachDnsModeGetsItsUnitsAndFiles) {
    if (geteuid() != 0) GTEST_SKIP() << "the install script runs as root only";
    const std::string units = "etc/systemd/system/";
    // Installed, the tracker list lies in the folder above the scripts.
    ASSERT_TRUE(AtomicFile::write(root_ / "trackers.txt", "p ads.example\n"));
    ASSERT_EQ(install("/home/a/helper", "root", "own"), (ToolRunner::Outcome{.status = 0}));
    EXPECT_NE(file(units + "nattervane-dns.service")
                  .find("\nExecStopPost=/usr/local/lib/nattervane/nv-dns.sh down own\n"),
              std::string::npos);
    EXPECT_NE(file(units + "nattervane-dns-reload.service")
                  .find("\nExecStart=/usr/local/lib/nattervane/nv-dns.sh reload own\n"),
              std::string::npos);
    EXPECT_NE(file("var/lib/nattervane/dnsmasq.conf").find("\nservers-file="), std::string::npos);
    EXPECT_EQ(file("var/lib/nattervane/dns-block.conf"), "server=/use-application-dns.net/\n");
    EXPECT_EQ(file("usr/local/lib/nattervane/trackers.txt"), "p ads.example\n");
    EXPECT_FALSE(fs::exists(root_ / "etc/NetworkManager"));

    ASSERT_EQ(install("/home/a/helper", "root", "networkmanager"),
              (ToolRunner::Outcome{.status = 0}));
    EXPECT_NE(file("etc/NetworkManager/conf.d/90-nattervane.conf").find("\n[main]\ndns=dnsmasq\n"),
              std::string::npos);
    EXPECT_NE(file(units + "nattervane-helper.service").find(" --dns networkmanager\n"),
              std::string::npos);
    EXPECT_EQ(file("var/lib/nattervane/made-folders"),
              "/etc/NetworkManager/conf.d\n/etc/NetworkManager/dnsmasq.d\n");
}

TEST_F(LinuxInstall, HostsModeInstallsNoDnsUnits) {
    if (geteuid() != 0) GTEST_SKIP() << "the install script runs as root only";
    const std::string units = "etc/systemd/system/";
    ASSERT_EQ(install("/home/a/helper", "root", "hosts"), (ToolRunner::Outcome{.status = 0}));
    EXPECT_NE(file(units + "nattervane-helper.service").find(" --dns hosts\n"), std::string::npos);
    for (const char* name : {"nattervane-dns.service", "nattervane-dns-reload.path"})
        EXPECT_FALSE(fs::exists(root_ / (units + name))) << name;
    EXPECT_EQ(install("/home/a/helper", "root", "dnsmasq").status, 1);
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

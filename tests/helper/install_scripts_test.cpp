// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <sstream>

#include <unistd.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "firewall_backend.h"
#include "read_text.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string scripts = NATTERVANE_HELPER_SCRIPTS;
const std::string units = "etc/systemd/system/";
constexpr const char* analyze = "/usr/bin/systemd-analyze";

const ToolRunner::Outcome succeeded{.status = 0};

// What a command gave, run as the helper runs its firewall tools.
ToolRunner::Outcome runCommand(const std::vector<std::string>& argv) {
    return ToolRunner::run(argv, FirewallBackend::commandOptions()).value();
}

TEST(InstallScripts, EveryScriptIsValidPosixShell) {
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scripts)) {
        if (entry.path().extension() != ".sh") continue;
        EXPECT_EQ(runCommand({"/bin/sh", "-n", entry.path()}), succeeded) << entry.path();
        ++checked;
    }
    EXPECT_EQ(checked, 5);
}

// The Linux install script run into a temporary root, which starts nothing.
class LinuxInstall : public testing::Test {
  protected:
    // The scripts and the program side by side, as an installed application ships them.
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "the install script runs as root only";
        fs::create_directories(root_ / "etc");
        ASSERT_TRUE(AtomicFile::write(root_ / "etc/hosts", "127.0.0.1 localhost\n"));
        fs::create_directory(root_ / "bundle");
        fs::copy(scripts + "/linux", root_ / "bundle");
        fs::copy_file(NATTERVANE_HELPER, root_ / "bundle/nattervane-helper");
    }
    ToolRunner::Outcome install(const std::string& dir, const std::string& user,
                                const std::string& mode = "own") {
        return runCommand({"/usr/bin/env", "NATTERVANE_INSTALL_ROOT=" + root_.path(),
                           "NATTERVANE_DNS_MODE=" + mode, "/bin/sh", root_ / "bundle/nv-install.sh",
                           dir, user});
    }
    std::string file(const std::string& path) { return readText(root_ / path); }
    bool has(const std::string& path, const std::string& text) {
        return file(path).find(text) != std::string::npos;
    }

    TempDir root_;
};

TEST_F(LinuxInstall, TheConfigurationPassesAnyDirectoryAsItIs) {
    // Quoted for systemd's environment files, where \ " ` and $ are escaped; % is not special.
    std::string dir = "/home/o'neil \"x\" 100%$HOME\\n`id`@USER@/helper";
    ASSERT_EQ(install(dir, "root"), succeeded);
    EXPECT_EQ(file("etc/nattervane/helper.conf"),
              "# Written by nv-install.sh when blocking is turned on; read by the nattervane-* "
              "units.\nNATTERVANE_DIR=\"/home/o'neil \\\"x\\\" 100%\\$HOME\\\\n\\`id\\`@USER@/"
              "helper\"\nNATTERVANE_USER=\"root\"\nNATTERVANE_DNS=own\n");
    EXPECT_EQ(fs::read_symlink(root_ / "var/lib/nattervane/blocks"), dir);
    // From a source tree the units are copied with the paths of the helper's copies.
    EXPECT_TRUE(
        has(units + "nattervane-helper.service",
            "\nExecStart=/usr/local/lib/nattervane/nattervane-helper apply ${NATTERVANE_DIR} "
            "--user ${NATTERVANE_USER} --dns ${NATTERVANE_DNS} --listed "
            "/usr/local/lib/nattervane/trackers.txt\n"));
    EXPECT_TRUE(has(units + "nattervane-helper.path",
                    "\nPathChanged=/var/lib/nattervane/blocks/block_ips.txt\n"));
    EXPECT_EQ(file("var/lib/nattervane/hosts.backup"), "127.0.0.1 localhost\n");
}

// Each DNS mode gets its files; the mode in the configuration is written as the own mode's is.
TEST_F(LinuxInstall, EachDnsModeGetsItsFiles) {
    // Installed, the tracker list lies in the folder above the scripts.
    ASSERT_TRUE(AtomicFile::write(root_ / "trackers.txt", "p ads.example\n"));
    // The own dnsmasq's units and files at work are container.sh's check, under the real systemd.
    ASSERT_EQ(install("/home/a/helper", "root", "own"), succeeded);
    EXPECT_TRUE(has(units + "nattervane-dns-reload.service",
                    "\nExecStart=/usr/local/lib/nattervane/nv-dns.sh reload ${NATTERVANE_DNS}\n"));
    EXPECT_EQ(file("usr/local/lib/nattervane/trackers.txt"), "p ads.example\n");
    EXPECT_TRUE(has("var/lib/nattervane/dnsmasq.conf", "servers-file="));
    EXPECT_FALSE(fs::exists(root_ / "etc/NetworkManager"));

    // Its drop-ins are dns_namespace.sh's check, with NetworkManager's dnsmasq.
    ASSERT_EQ(install("/home/a/helper", "root", "networkmanager"), succeeded);
    EXPECT_EQ(file("var/lib/nattervane/made-folders"),
              "/etc/NetworkManager/conf.d\n/etc/NetworkManager/dnsmasq.d\n");
    ASSERT_EQ(install("/home/a/helper", "root", "hosts"), succeeded);
    EXPECT_EQ(install("/home/a/helper", "root", "dnsmasq").status, 1);
}

// Installed, the units and the helper are the installation's own: nothing is copied, and the
// copies an earlier install from a source tree made go, since they would hide the installed units.
TEST_F(LinuxInstall, AnInstallationKeepsNoCopies) {
    for (const auto& entry : fs::directory_iterator(root_ / "bundle"))
        if (entry.path().extension() == ".service" || entry.path().extension() == ".path")
            fs::remove(entry.path());
    fs::create_directories(root_ / units);
    fs::create_directories(root_ / "usr/local/lib/nattervane");
    ASSERT_TRUE(AtomicFile::write(root_ / (units + "nattervane-helper.path"), ""));
    ASSERT_TRUE(AtomicFile::write(root_ / "usr/local/lib/nattervane/nattervane-helper", ""));
    ASSERT_EQ(install("/home/a/helper", "root"), succeeded);
    EXPECT_TRUE(fs::is_empty(root_ / units));
    EXPECT_FALSE(fs::exists(root_ / "usr/local/lib/nattervane"));
    EXPECT_TRUE(has("etc/nattervane/helper.conf", "\nNATTERVANE_DIR=\"/home/a/helper\"\n"));
}

TEST_F(LinuxInstall, ABadDirectoryOrUserInstallsNothing) {
    for (const auto& [dir, user] :
         std::vector<std::pair<std::string, std::string>>{{"relative/helper", "root"},
                                                          {"/home/a\nb/helper", "root"},
                                                          {"/home/a/helper", "no-such-user-nv"}}) {
        EXPECT_EQ(install(dir, user).status, 1) << dir << " " << user;
        EXPECT_FALSE(fs::exists(root_ / "etc/nattervane/helper.conf"));
    }
}

// The value a unit file's last line for `key` gives it, or `fallback`; our units use each key in
// one section only.
std::string last(const std::string& unit, const std::string& key, std::string fallback) {
    std::istringstream lines(unit);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(key + "=")) fallback = line.substr(key.size() + 1);
    return fallback;
}

// Whether `starts` activations within one second stay under a systemd rate limit of `burst`
// per `interval` seconds (0 switches the limit off).
bool withinLimit(const std::string& unit, const std::string& prefix, int starts,
                 const std::string& defaultInterval, const std::string& defaultBurst) {
    std::string interval = last(unit, prefix + "IntervalSec", defaultInterval);
    int burst = std::stoi(last(unit, prefix + "Burst", defaultBurst));
    return interval == "0" || interval == "infinity" || burst >= starts;
}

// The installed systemd units, read as systemd reads them, since systemd itself is not running
// where the tests run.
class SystemdUnits : public LinuxInstall {
  protected:
    void SetUp() override {
        LinuxInstall::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(install("/home/someone/data", "root"), succeeded);
    }
    std::string unit(const std::string& name) { return file(units + name); }
};

TEST_F(SystemdUnits, FiftyRapidChangesAllRunTheServiceWhichAlsoRunsAtBoot) {
    std::string service = unit("nattervane-helper.service"), path = unit("nattervane-helper.path");
    // systemd's defaults: 5 starts per 10 s for a unit, 200 triggers per 2 s for a path unit.
    EXPECT_TRUE(withinLimit(service, "StartLimit", 50, "10", "5"));
    EXPECT_TRUE(withinLimit(path, "StartLimit", 50, "10", "5"));
    EXPECT_TRUE(withinLimit(path, "TriggerLimit", 50, "2", "200"));
    EXPECT_EQ(last(path, "Unit", ""), "nattervane-helper.service");
    EXPECT_TRUE(has("bundle/nv-install.sh", "systemctl enable nattervane-helper.service"));
    EXPECT_NE(last(service, "After", "").find("local-fs.target"), std::string::npos);
}

// The helper changes the firewall and the hosts file; the event service, a root service that
// keeps four capabilities, is watched by systemd and started again when it dies, with the
// application's block file of program rules, and reads its queue in the machine's network. Both
// keep to what that needs.
TEST_F(SystemdUnits, TheServicesAreConfined) {
    // Each unit's required settings, written as in a unit file.
    for (const auto& [name, required] : std::vector<std::pair<std::string, std::string>>{
             {"nattervane-helper.service",
              "NoNewPrivileges=yes\nProtectSystem=strict\nProtectHome=read-only\nPrivateTmp=yes\n"
              "PrivateDevices=yes\nProtectKernelTunables=yes\nProtectKernelModules=yes\n"
              "ProtectKernelLogs=yes\nUMask=0077\nRestrictAddressFamilies=AF_NETLINK AF_UNIX\n"
              "IPAddressDeny=any\nCapabilityBoundingSet=CAP_NET_ADMIN CAP_DAC_READ_SEARCH\n"
              // The rules must go into the host's namespace, and /etc/hosts must stay
              // renamable-over through /etc, never be a mount of its own.
              "PrivateNetwork=<unset>\nReadWritePaths=/etc /var/lib/nattervane\n"
              "SystemCallFilter=@system-service\nWantedBy=multi-user.target\n"},
             {"nattervane-events.service",
              "Type=notify\nWatchdogSec=10s\nRestart=always\nRestartPreventExitStatus=3\n"
              "NoNewPrivileges=yes\nProtectSystem=strict\nPrivateNetwork=<unset>\n"
              "RestrictAddressFamilies=AF_UNIX AF_NETLINK\nIPAddressDeny=any\n"
              "WantedBy=multi-user.target\n"
              "CapabilityBoundingSet=CAP_BPF CAP_PERFMON CAP_NET_ADMIN CAP_DAC_READ_SEARCH\n"
              "ExecStart=/usr/local/lib/nattervane/nattervane-helper events --user "
              "${NATTERVANE_USER} --programs ${NATTERVANE_DIR}/block_programs.txt\n"
              "EnvironmentFile=/etc/nattervane/helper.conf\n"}}) {
        std::istringstream lines(required);
        for (std::string line; std::getline(lines, line);) {
            std::string key = line.substr(0, line.find('='));
            EXPECT_EQ(key + "=" + last(unit(name), key, "<unset>"), line) << name;
        }
        if (access(analyze, X_OK) != 0) continue;
        std::string output =
            runCommand({analyze, "security", "--offline=yes", root_ / (units + name)}).output;
        const std::string label = "Overall exposure level for " + name + ": ";
        size_t at = output.find(label);
        ASSERT_NE(at, std::string::npos) << output;
        EXPECT_LE(std::stod(output.substr(at + label.size())), 2.0) << output;
    }
}

} // namespace

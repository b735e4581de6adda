// The installed systemd units, read as systemd reads them, since systemd itself is not running
// where the tests run.
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include <unistd.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "firewall_backend.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string scripts = NATTERVANE_HELPER_SCRIPTS;
constexpr const char* analyze = "/usr/bin/systemd-analyze";

// "Section.Key" to every value it is given, in order.
using UnitSettings = std::map<std::string, std::vector<std::string>>;

UnitSettings parseUnit(const std::string& text) {
    UnitSettings settings;
    std::istringstream lines(text);
    std::string section, line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            settings[section + "." + line.substr(0, equals)].push_back(line.substr(equals + 1));
    }
    return settings;
}

std::string last(const UnitSettings& settings, const std::string& key, std::string fallback) {
    auto found = settings.find(key);
    return found == settings.end() ? fallback : found->second.back();
}

// Whether `starts` activations within one second stay under a systemd rate limit of `burst`
// per `interval` seconds (0 switches the limit off).
bool withinLimit(const UnitSettings& settings, const std::string& prefix, int starts,
                 const std::string& defaultInterval, const std::string& defaultBurst) {
    std::string interval = last(settings, prefix + "IntervalSec", defaultInterval);
    int burst = std::stoi(last(settings, prefix + "Burst", defaultBurst));
    return interval == "0" || interval == "infinity" || burst >= starts;
}

class SystemdUnits : public testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "the install script runs as root only";
        fs::create_directories(root_ / "etc");
        ASSERT_TRUE(AtomicFile::write(root_ / "etc/hosts", "127.0.0.1 localhost\n"));
        fs::create_directory(root_ / "bundle");
        fs::copy(scripts + "/linux", root_ / "bundle");
        fs::copy_file(NATTERVANE_HELPER, root_ / "bundle/nattervane-helper");
        ToolRunner::Outcome installed =
            ToolRunner::run({"/usr/bin/env", "NATTERVANE_INSTALL_ROOT=" + root_.path(), "/bin/sh",
                             root_ / "bundle/nv-install.sh", "/home/someone/data", "root"},
                            FirewallBackend::commandOptions())
                .value();
        ASSERT_EQ(installed, (ToolRunner::Outcome{.status = 0}));
        service_ = parseUnit(file("nattervane-helper.service"));
        path_ = parseUnit(file("nattervane-helper.path"));
    }
    std::string unitPath(const std::string& name) const {
        return root_ / ("etc/systemd/system/" + name);
    }
    std::string file(const std::string& name) const {
        return AtomicFile::read(unitPath(name)).value_or("");
    }

    TempDir root_;
    UnitSettings service_, path_;
};

TEST_F(SystemdUnits, FiftyRapidChangesAllRunTheServiceAndTheWatchStays) {
    // systemd's defaults: 5 starts per 10 s for a unit, 200 triggers per 2 s for a path unit.
    EXPECT_TRUE(withinLimit(service_, "Unit.StartLimit", 50, "10", "5"));
    EXPECT_TRUE(withinLimit(path_, "Unit.StartLimit", 50, "10", "5"));
    EXPECT_TRUE(withinLimit(path_, "Path.TriggerLimit", 50, "2", "200"));
    EXPECT_EQ(path_["Path.Unit"], std::vector<std::string>{"nattervane-helper.service"});
    EXPECT_EQ(path_["Path.PathChanged"].size(), 2u);
}

TEST_F(SystemdUnits, TheServiceRunsAtBootToo) {
    EXPECT_EQ(last(service_, "Install.WantedBy", ""), "multi-user.target");
    std::string install = AtomicFile::read(scripts + "/linux/nv-install.sh").value_or("");
    EXPECT_NE(install.find("systemctl enable nattervane-helper.service"), std::string::npos);
    EXPECT_NE(last(service_, "Unit.After", "").find("local-fs.target"), std::string::npos);
}

TEST_F(SystemdUnits, TheServiceIsConfined) {
    const std::map<std::string, std::string> required{
        {"NoNewPrivileges", "yes"},
        {"ProtectSystem", "strict"},
        {"ProtectHome", "read-only"},
        {"PrivateTmp", "yes"},
        {"PrivateDevices", "yes"},
        {"ProtectKernelTunables", "yes"},
        {"ProtectKernelModules", "yes"},
        {"ProtectKernelLogs", "yes"},
        {"UMask", "0077"},
        {"RestrictAddressFamilies", "AF_NETLINK AF_UNIX"},
        {"IPAddressDeny", "any"},
        {"CapabilityBoundingSet", "CAP_NET_ADMIN CAP_DAC_READ_SEARCH"}};
    for (const auto& [key, value] : required)
        EXPECT_EQ(last(service_, "Service." + key, "<unset>"), value) << key;
    EXPECT_EQ(service_["Service.SystemCallFilter"].front(), "@system-service");
    // The rules must go into the host's namespace, and /etc/hosts must stay renamable-over
    // through /etc, never be a mount of its own.
    EXPECT_EQ(service_.count("Service.PrivateNetwork"), 0u);
    EXPECT_EQ(last(service_, "Service.ReadWritePaths", ""), "/etc /var/lib/nattervane");
}

TEST_F(SystemdUnits, SecurityExposureIsAtMostTwo) {
    if (access(analyze, X_OK) != 0) GTEST_SKIP() << "needs systemd-analyze (Debian systemd)";
    ToolRunner::Outcome result = ToolRunner::run({analyze, "security", "--offline=yes",
                                                  unitPath("nattervane-helper.service")},
                                                 FirewallBackend::commandOptions())
                                     .value();
    constexpr std::string_view label = "Overall exposure level for nattervane-helper.service: ";
    size_t at = result.output.find(label);
    ASSERT_NE(at, std::string::npos) << result.output;
    double score = std::stod(result.output.substr(at + label.size()));
    std::printf("systemd-analyze security exposure: %.1f\n", score);
    RecordProperty("exposure", std::to_string(score));
    EXPECT_LE(score, 2.0) << result.output;
}

} // namespace

// A root service that keeps three capabilities, watched by systemd and started again when it
// dies, with the application's block file of program rules.
TEST_F(SystemdUnits, TheEventServiceRunsConfinedUnderAWatchdog) {
    UnitSettings events = parseUnit(file("nattervane-events.service"));
    const std::map<std::string, std::string> required{
        {"Type", "notify"},
        {"WatchdogSec", "10s"},
        {"Restart", "always"},
        {"RestartPreventExitStatus", "3"},
        {"NoNewPrivileges", "yes"},
        {"ProtectSystem", "strict"},
        {"PrivateNetwork", "yes"},
        {"RestrictAddressFamilies", "AF_UNIX"},
        {"CapabilityBoundingSet", "CAP_BPF CAP_PERFMON CAP_NET_ADMIN CAP_DAC_READ_SEARCH"}};
    for (const auto& [key, value] : required)
        EXPECT_EQ(last(events, "Service." + key, "<unset>"), value) << key;
    EXPECT_NE(last(events, "Service.ExecStart", "")
                  .find("--programs \"/home/someone/data/block_programs.txt\""),
              std::string::npos);
    EXPECT_EQ(last(events, "Install.WantedBy", ""), "multi-user.target");
    if (access(analyze, X_OK) != 0) return;
    std::string output = ToolRunner::run({analyze, "security", "--offline=yes",
                                          unitPath("nattervane-events.service")},
                                         FirewallBackend::commandOptions())
                             .value()
                             .output;
    constexpr std::string_view label = "Overall exposure level for nattervane-events.service: ";
    size_t at = output.find(label);
    ASSERT_NE(at, std::string::npos) << output;
    EXPECT_LE(std::stod(output.substr(at + label.size())), 2.0) << output;
}

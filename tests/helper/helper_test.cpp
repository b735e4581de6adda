#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "atomic_file.h"
#include "command_runner.h"
#include "firewall_script.h"
#include "helper.h"
#include "hosts_block.h"
#include "temp_dir.h"

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

const std::string originalHosts = "127.0.0.1\tlocalhost\n::1 localhost ip6-localhost\n# mine";

std::string nftScript(std::vector<std::string> ipv4, std::vector<std::string> ipv6) {
    return FirewallScript::nftApply({std::move(ipv4), std::move(ipv6), {}, 0});
}

// Runs the helper in this process with a firewall command that records the script it is fed.
class HelperTest : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir_ / "helper");
        AtomicFile::write(hostsFile(), originalHosts);
    }

    std::string hostsFile() const { return dir_ / "hosts"; }
    std::string statusFile() const { return dir_ / "state/status.txt"; }
    std::string blockFile(const std::string& name) const { return dir_ / ("helper/" + name); }
    void writeBlockFile(const std::string& name, const std::string& text) {
        std::ofstream(blockFile(name), std::ios::binary) << text;
    }
    std::string read(const std::string& path) const {
        return AtomicFile::read(path).value_or("<missing>");
    }

    FirewallBackend firewall(int exitStatus = 0) const {
        std::string record =
            "cat > '" + (dir_ / "script") + "'; exit " + std::to_string(exitStatus);
        std::vector<std::string> command{"/bin/sh", "-c", record};
        return {.applyCommand = command,
                .applyScript = FirewallScript::nftApply,
                .removeCommand = command,
                .removeScript = FirewallScript::nftRemove(),
                .flushCommands = {{"/bin/sh", "-c", "touch '" + (dir_ / "flushed") + "'"}}};
    }

    int run(const std::vector<std::string>& arguments, int firewallStatus = 0) {
        auto parsed = HelperOptions::parse(arguments, platform::linux());
        auto options = std::get<HelperOptions>(parsed);
        std::ostringstream out, err;
        int status = Helper::run(options, firewall(firewallStatus), out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }
    int apply(int firewallStatus = 0) {
        return run({"apply", dir_ / "helper", "--hosts", hostsFile(), "--status", statusFile()},
                   firewallStatus);
    }

    TempDir dir_;
    std::string out_, err_;
};

TEST_F(HelperTest, ApplyProgramsTheFirewallTheHostsBlockAndTheStatus) {
    writeBlockFile("block_ips.txt", "192.0.2.1\n2001:db8::1\n");
    writeBlockFile("block_domains.txt", "ads.example\n");
    ASSERT_EQ(apply(), 0) << err_;
    EXPECT_EQ(read(dir_ / "script"), nftScript({"192.0.2.1"}, {"2001:db8::1"}));
    EXPECT_EQ(read(hostsFile()), *HostsBlock::merge(originalHosts, {"ads.example"}));
    EXPECT_EQ(read(statusFile()), "ips=2 domains=1 rejected=0\n");
    EXPECT_FALSE(fs::exists(dir_ / "flushed")) << "a hosts file given by path is not the system's";
}

TEST_F(HelperTest, HostileLinesNeverReachTheFirewallOrTheHostsFile) {
    std::string garbage;
    while (garbage.size() < 10 * 1000 * 1000)
        garbage += "192.0.2.9; nft flush ruleset\n$(reboot).example\nfe80::1%eth0\n"s +
                   "x.example\r\n" + "y.example\0z\n"s + std::string(300, 'a') + ".example\n";
    writeBlockFile("block_ips.txt",
                   "192.0.2.1\n" + garbage + "2001:db8::1\n" + std::string(5 * 1000 * 1000, '9'));
    writeBlockFile("block_domains.txt", garbage + "ads.example\n" + garbage);
    ASSERT_EQ(apply(), 0) << err_;
    EXPECT_EQ(read(dir_ / "script"), nftScript({"192.0.2.1"}, {"2001:db8::1"}));
    EXPECT_EQ(read(hostsFile()), *HostsBlock::merge(originalHosts, {"ads.example"}));
    EXPECT_TRUE(read(statusFile()).starts_with("ips=2 domains=1 rejected="));
}

TEST_F(HelperTest, ARefusedFileCountsAsEmptyAndTheOtherStillApplies) {
    writeBlockFile("block_ips.txt", "192.0.2.1\n");
    writeBlockFile("elsewhere.txt", "ads.example\n");
    fs::create_symlink(blockFile("elsewhere.txt"), blockFile("block_domains.txt"));
    ASSERT_EQ(apply(), 0);
    EXPECT_EQ(err_, "nattervane-helper: refused block_domains.txt is a symbolic link\n");
    EXPECT_EQ(read(hostsFile()), originalHosts);
    EXPECT_EQ(read(statusFile()), "ips=1 domains=0 rejected=0\n");
}

TEST_F(HelperTest, AFirewallFailureLeavesTheHostsFileAndStatusAsTheyWere) {
    writeBlockFile("block_domains.txt", "ads.example\n");
    fs::create_directories(dir_ / "state");
    AtomicFile::write(statusFile(), "ips=5 domains=0 rejected=0\n");
    EXPECT_EQ(apply(3), 1);
    EXPECT_NE(err_.find("failed (status 3)"), std::string::npos);
    EXPECT_EQ(read(hostsFile()), originalHosts);
    EXPECT_EQ(read(statusFile()), "ips=5 domains=0 rejected=0\n");
}

TEST_F(HelperTest, AHostsFileWithStrayMarkersIsLeftAloneAndReported) {
    std::string hosts = originalHosts + "\n# BEGIN nattervane\n10.0.0.1 mine\n";
    AtomicFile::write(hostsFile(), hosts);
    writeBlockFile("block_domains.txt", "ads.example\n");
    EXPECT_EQ(apply(), 1);
    EXPECT_NE(err_.find("marker lines do not form one block"), std::string::npos) << err_;
    EXPECT_EQ(read(hostsFile()), hosts);
}

TEST_F(HelperTest, RemoveRestoresTheHostsFileExactlyAndForgetsTheStatus) {
    writeBlockFile("block_domains.txt", "ads.example\ntracker.example\n");
    ASSERT_EQ(apply(), 0);
    ASSERT_NE(read(hostsFile()), originalHosts);
    ASSERT_EQ(run({"remove", "--hosts", hostsFile(), "--status", statusFile()}), 0) << err_;
    EXPECT_EQ(read(dir_ / "script"), FirewallScript::nftRemove());
    EXPECT_EQ(read(hostsFile()), originalHosts);
    EXPECT_FALSE(fs::exists(statusFile()));
}

TEST_F(HelperTest, AHostsFileThatIsALinkIsChangedWhereItPoints) {
    fs::rename(hostsFile(), dir_ / "real-hosts");
    fs::create_symlink(dir_ / "real-hosts", hostsFile());
    writeBlockFile("block_domains.txt", "ads.example\n");
    ASSERT_EQ(apply(), 0) << err_;
    EXPECT_TRUE(fs::is_symlink(hostsFile()));
    EXPECT_EQ(read(dir_ / "real-hosts"), *HostsBlock::merge(originalHosts, {"ads.example"}));
}

TEST_F(HelperTest, DryRunPrintsTheScriptAndStatusAndChangesNothing) {
    writeBlockFile("block_ips.txt", "192.0.2.1\nnot an address\n");
    writeBlockFile("block_domains.txt", "ads.example\n");
    ASSERT_EQ(run({"apply", dir_ / "helper", "--hosts", hostsFile(), "--status", statusFile(),
                   "--dry-run"}),
              0);
    EXPECT_EQ(out_, nftScript({"192.0.2.1"}, {}) + "ips=1 domains=1 rejected=1\n");
    EXPECT_FALSE(fs::exists(dir_ / "script"));
    EXPECT_EQ(read(hostsFile()), originalHosts);
    EXPECT_FALSE(fs::exists(statusFile()));
}

TEST_F(HelperTest, AMissingDirectoryOrUnknownUserChangesNothing) {
    writeBlockFile("block_domains.txt", "ads.example\n");
    ASSERT_EQ(apply(), 0);
    std::string hosts = read(hostsFile());
    EXPECT_EQ(run({"apply", dir_ / "absent", "--hosts", hostsFile(), "--status", statusFile()}), 1);
    EXPECT_EQ(read(hostsFile()), hosts);
    EXPECT_EQ(read(statusFile()), "ips=0 domains=1 rejected=0\n");
    EXPECT_EQ(
        run({"apply", dir_ / "helper", "--user", "no-such-user-nv", "--status", statusFile()}), 2);
}

TEST(HelperProgram, AWrongCommandLineShowsTheUsage) {
    CommandResult result = runCommand({NATTERVANE_HELPER, "apply"}, "", 10);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.output.find("usage: nattervane-helper apply DIR"), std::string::npos);
}

} // namespace

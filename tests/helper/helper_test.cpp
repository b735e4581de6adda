// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sstream>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "child_process.h"
#include "dns_block.h"
#include "firewall_backend.h"
#include "firewall_script.h"
#include "helper.h"
#include "hosts_block.h"
#include "hosts_file.h"
#include "read_text.h"
#include "temp_dir.h"

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

const std::string originalHosts = "127.0.0.1\tlocalhost\n::1 localhost ip6-localhost\n# mine";

std::string nftScript(std::vector<std::string> ipv4, std::vector<std::string> ipv6) {
    return FirewallScript::nftApply({std::move(ipv4), std::move(ipv6), {}, 0});
}

// Runs the helper in this process with a firewall command that records the
// script it is fed.
class HelperTest : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir_ / "helper");
        ASSERT_TRUE(AtomicFile::write(hostsFile(), originalHosts));
        writeBlocks("", "ads.example\n");
    }

    std::string hostsFile() const { return dir_ / "hosts"; }
    std::string statusFile() const { return dir_ / "state/status.txt"; }
    std::string blockFile(const std::string& name) const { return dir_ / ("helper/" + name); }
    void writeBlockFile(const std::string& name, const std::string& text) {
        std::ofstream(blockFile(name), std::ios::binary) << text;
    }
    void writeBlocks(const std::string& ips, const std::string& domains) {
        writeBlockFile("block_ips.txt", ips);
        writeBlockFile("block_domains.txt", domains);
    }

    // `arguments` on the test's hosts and status files, then `more`, with a firewall command
    // that records the script it is fed and exits with `firewallStatus`.
    int run(std::vector<std::string> arguments, const std::vector<std::string>& more = {},
            int firewallStatus = 0) {
        arguments.insert(arguments.end(), {"--hosts", hostsFile(), "--status", statusFile()});
        arguments.insert(arguments.end(), more.begin(), more.end());
        std::vector<std::string> record{"/bin/sh", "-c",
                                        "cat > '" + (dir_ / "script") + "'; exit " +
                                            std::to_string(firewallStatus)};
        FirewallBackend firewall{
            .applyCommand = record,
            .applyScript = FirewallScript::nftApply,
            .removeCommand = record,
            .removeScript = FirewallScript::nftRemove(),
            .flushCommands = {{"/bin/sh", "-c", "touch '" + (dir_ / "flushed") + "'"}}};
        std::ostringstream out, err;
        int status =
            Helper::run(std::get<HelperOptions>(HelperOptions::parse(arguments, platform::linux())),
                        firewall, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }
    int apply(const std::vector<std::string>& more = {}, int firewallStatus = 0) {
        return run({"apply", dir_ / "helper"}, more, firewallStatus);
    }

    TempDir dir_;
    std::string out_, err_;
};

TEST_F(HelperTest, ApplyProgramsTheFirewallTheHostsBlockAndTheStatusAndRemoveUndoesThem) {
    writeBlocks("192.0.2.1\n2001:db8::1\n", "ads.example\n");
    mode_t saved = umask(077);
    int status = apply();
    umask(saved);
    ASSERT_EQ(status, 0) << err_;
    EXPECT_EQ(readText(dir_ / "script"), nftScript({"192.0.2.1"}, {"2001:db8::1"}));
    EXPECT_EQ(fs::status(statusFile()).permissions(), fs::perms(0644))
        << "the user reads it whatever the service's umask";
    EXPECT_EQ(readText(hostsFile()), HostsBlock::merge(originalHosts, {"ads.example"}));
    EXPECT_EQ(readText(statusFile()), "ips=2 domains=1 rejected=0 dns=hosts hosts=1\n");
    EXPECT_FALSE(fs::exists(dir_ / "flushed")) << "a hosts file given by path is not the system's";

    // Every apply rebuilds the whole state from the files as they are now.
    writeBlocks("192.0.2.3\n", "other.example\ntracker.example\n");
    ASSERT_EQ(apply(), 0) << err_;
    EXPECT_EQ(readText(dir_ / "script"), nftScript({"192.0.2.3"}, {}));
    EXPECT_EQ(readText(hostsFile()),
              HostsBlock::merge(originalHosts, {"other.example", "tracker.example"}));
    EXPECT_EQ(readText(statusFile()), "ips=1 domains=2 rejected=0 dns=hosts hosts=2\n");

    ASSERT_EQ(run({"remove"}), 0) << err_;
    EXPECT_EQ(readText(dir_ / "script"), FirewallScript::nftRemove());
    EXPECT_EQ(readText(hostsFile()), originalHosts);
    EXPECT_FALSE(fs::exists(statusFile()));
}

TEST_F(HelperTest, HostileLinesNeverReachTheFirewallOrTheHostsFile) {
    std::string garbage;
    while (garbage.size() < 10 * 1000 * 1000)
        garbage += "192.0.2.9; nft flush ruleset\n$(reboot).example\nfe80::1%eth0\n"s +
                   "x.example\r\n" + "y.example\0z\n"s + std::string(300, 'a') + ".example\n";
    writeBlocks("192.0.2.1\n" + garbage + "2001:db8::1\n" + std::string(5 * 1000 * 1000, '9'),
                garbage + "ads.example\n" + garbage);
    ASSERT_EQ(apply(), 0) << err_;
    EXPECT_EQ(readText(dir_ / "script"), nftScript({"192.0.2.1"}, {"2001:db8::1"}));
    EXPECT_EQ(readText(hostsFile()), HostsBlock::merge(originalHosts, {"ads.example"}));
    EXPECT_TRUE(readText(statusFile()).starts_with("ips=2 domains=1 rejected="));
}

TEST_F(HelperTest, ARefusedFileCountsAsEmptyAndTheOtherStillApplies) {
    writeBlockFile("block_ips.txt", "192.0.2.1\n");
    writeBlockFile("elsewhere.txt", "ads.example\n");
    fs::remove(blockFile("block_domains.txt"));
    fs::create_symlink(blockFile("elsewhere.txt"), blockFile("block_domains.txt"));
    ASSERT_EQ(apply(), 0);
    EXPECT_EQ(err_, "nattervane-helper: refused block_domains.txt is a symbolic link\n");
    EXPECT_EQ(readText(hostsFile()), originalHosts);
    EXPECT_EQ(readText(statusFile()), "ips=1 domains=0 rejected=0 dns=hosts hosts=0\nrefused "
                                      "block_domains.txt is a symbolic link\n");
}

TEST_F(HelperTest, AFirewallFailureLeavesTheHostsFileAndStatusAsTheyWere) {
    fs::create_directories(dir_ / "state");
    ASSERT_TRUE(AtomicFile::write(statusFile(), "ips=5 domains=0 rejected=0\n"));
    EXPECT_EQ(apply({}, 3), 1);
    EXPECT_NE(err_.find("failed (status 3)"), std::string::npos);
    EXPECT_EQ(readText(hostsFile()), originalHosts);
    EXPECT_EQ(readText(statusFile()),
              "ips=5 domains=0 rejected=0\nnot applied: the firewall refused "
              "the new rules; the previous rules stay in force\n");
}

// A hosts file that is a link, or whose markers form no one block (the kinds of
// disorder are the hosts block's own, hosts_block_test.cpp), is left as it is;
// the firewall still applies.
TEST_F(HelperTest, AHostsFileItCannotSafelyChangeIsLeftAndTheFirewallStillApplies) {
    const std::string block = HostsBlock::merge("", {"old.example"});
    writeBlockFile("block_ips.txt", "192.0.2.1\n");
    for (const auto& [link, reason] :
         {std::pair{true, " is a symbolic link"}, std::pair{false, " has 2 Nattervane blocks"}}) {
        ASSERT_TRUE(AtomicFile::write(dir_ / "real-hosts", block + originalHosts + "\n" + block));
        fs::remove(hostsFile());
        if (link)
            fs::create_symlink(dir_ / "real-hosts", hostsFile());
        else
            fs::copy_file(dir_ / "real-hosts", hostsFile());
        EXPECT_EQ(apply(), 1);
        EXPECT_EQ(readText(hostsFile()), readText(dir_ / "real-hosts"));
        EXPECT_EQ(readText(dir_ / "script"), nftScript({"192.0.2.1"}, {}));
        EXPECT_EQ(readText(statusFile()),
                  "ips=1 domains=0 rejected=0 dns=hosts hosts=0\nhosts not changed: " +
                      hostsFile() + reason + "\n");
    }
}

TEST_F(HelperTest, DryRunChangesNothingAndAWrongCommandLineShowsTheUsage) {
    writeBlockFile("block_ips.txt", "192.0.2.1\nnot an address\n");
    ASSERT_EQ(apply({"--dry-run"}), 0);
    EXPECT_EQ(out_, nftScript({"192.0.2.1"}, {}) + "ips=1 domains=1 rejected=1\n");
    EXPECT_FALSE(fs::exists(dir_ / "script"));
    EXPECT_EQ(readText(hostsFile()), originalHosts);
    EXPECT_FALSE(fs::exists(statusFile()));
    // The program itself, given a wrong command line, shows that command's usage alone and where
    // the help is; for an unknown command, the general form.
    for (const auto& [command, usage] : std::vector<std::pair<std::string, std::string>>{
             {"apply", "usage: nattervane-helper apply DIR"},
             {"block", "usage: nattervane-helper COMMAND [OPTIONS]\n"}}) {
        ToolRunner::Outcome result =
            ToolRunner::run({NATTERVANE_HELPER, command}, FirewallBackend::commandOptions())
                .value();
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.output.find(usage), std::string::npos) << result.output;
        EXPECT_NE(result.output.find("Try 'nattervane-helper --help'.\n"), std::string::npos);
        EXPECT_EQ(result.output.find("nattervane-helper remove"), std::string::npos);
    }
}

TEST_F(HelperTest, AMissingOrLinkedDirectoryOrUnknownUserChangesNothing) {
    ASSERT_EQ(apply(), 0);
    const std::string hosts = readText(hostsFile());
    fs::create_directory_symlink(dir_ / "helper", dir_ / "linked");
    for (const std::string folder : {"absent", "linked"}) {
        EXPECT_EQ(run({"apply", dir_ / folder}), 1);
        EXPECT_EQ(readText(hostsFile()), hosts);
        EXPECT_TRUE(readText(statusFile())
                        .starts_with("ips=0 domains=1 rejected=0 dns=hosts hosts=1\nnot applied: " +
                                     dir_ / folder + ": "))
            << readText(statusFile());
    }
    EXPECT_EQ(apply({"--user", "no-such-user-nv"}), 2);
}

// The helper's own limit: a planted sparse file far above it is refused at
// once, not read.
TEST_F(HelperTest, AHugeBlockFileIsRefusedQuicklyAndTheOtherStillApplies) {
    ASSERT_EQ(truncate(blockFile("block_ips.txt").c_str(), off_t(512) << 30), 0);
    EXPECT_EQ(apply(), 0) << err_;
    EXPECT_EQ(readText(statusFile()), "ips=0 domains=1 rejected=0 dns=hosts hosts=1\nrefused "
                                      "block_ips.txt is larger than 64 MiB\n");
    EXPECT_EQ(readText(dir_ / "script"), nftScript({}, {}));
}

TEST_F(HelperTest, TheHostsFileKeepsModeAndOwnerAndAnUnchangedBlockIsNotWritten) {
    if (geteuid() != 0) GTEST_SKIP() << "giving the file a group needs root";
    ASSERT_EQ(chmod(hostsFile().c_str(), 0640), 0);
    ASSERT_EQ(chown(hostsFile().c_str(), 0, 4242), 0);
    ASSERT_EQ(apply(), 0) << err_;
    struct stat first {
    }, second{};
    ASSERT_EQ(stat(hostsFile().c_str(), &first), 0);
    EXPECT_EQ(first.st_mode & 07777, 0640u);
    EXPECT_EQ(first.st_gid, 4242u);
    ASSERT_EQ(apply(), 0) << err_;
    ASSERT_EQ(stat(hostsFile().c_str(), &second), 0);
    EXPECT_EQ(second.st_ino, first.st_ino);
    EXPECT_EQ(second.st_mtim.tv_nsec, first.st_mtim.tv_nsec);
}

TEST_F(HelperTest, ABindMountedHostsFileIsRewrittenInPlaceAfterARecoveryCopy) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a mount namespace";
    ASSERT_TRUE(AtomicFile::write(dir_ / "mounted-hosts", originalHosts));
    std::optional<std::string> status = inChild([&] {
        if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
            return std::string("no namespace");
        if (mount((dir_ / "mounted-hosts").c_str(), hostsFile().c_str(), nullptr, MS_BIND, nullptr))
            return std::string("not bound");
        return std::to_string(apply());
    });
    if (status == "no namespace") GTEST_SKIP() << "no mount namespace can be made here";
    ASSERT_EQ(status, "0");
    EXPECT_EQ(readText(dir_ / "mounted-hosts"), HostsBlock::merge(originalHosts, {"ads.example"}));
    EXPECT_EQ(readText(HostsFile::recoveryPath(hostsFile())), originalHosts);
    EXPECT_EQ(readText(hostsFile()), originalHosts) << "outside the namespace nothing was mounted";
}

// Which domains go to dnsmasq and which to the hosts file too is dns_namespace.sh's check, with
// the real dnsmasq. Without the tracker list every domain counts as the user's own, and where the
// servers file cannot be written every domain goes to hosts: nothing is lost.
TEST_F(HelperTest, InADnsModeWhatDnsmasqCannotTakeAlsoGoesToHosts) {
    if (access("/usr/sbin/dnsmasq", X_OK) != 0) GTEST_SKIP() << "needs dnsmasq (dnsmasq-base)";
    const std::string servers = dir_ / "dns-block.conf", trackers = dir_ / "trackers.txt";
    ASSERT_EQ(apply({"--dns", "own", "--servers", servers, "--listed", trackers}), 0) << err_;
    EXPECT_EQ(readText(servers), DnsBlock::serversFile({"ads.example"}));
    EXPECT_EQ(readText(hostsFile()), HostsBlock::merge(originalHosts, {"ads.example"}));
    EXPECT_EQ(readText(statusFile()), "ips=0 domains=1 rejected=0 dns=own hosts=1\nno tracker "
                                      "list (cannot read " +
                                          trackers + ": No such file or directory)\n");
    ASSERT_EQ(run({"remove"}, {"--servers", servers}), 0) << err_;
    EXPECT_FALSE(fs::exists(servers));
    EXPECT_EQ(readText(hostsFile()), originalHosts);

    ASSERT_TRUE(AtomicFile::write(trackers, "p ads.example\n"));
    ASSERT_EQ(
        apply({"--dns", "resolved", "--servers", dir_ / "absent/x.conf", "--listed", trackers}), 0)
        << err_;
    EXPECT_EQ(readText(hostsFile()), HostsBlock::merge(originalHosts, {"ads.example"}));
    EXPECT_TRUE(readText(statusFile())
                    .starts_with("ips=0 domains=1 rejected=0 dns=hosts hosts=1\nDNS block not "
                                 "changed: cannot "))
        << readText(statusFile());
}

} // namespace

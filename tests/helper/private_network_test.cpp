// SPDX-License-Identifier: GPL-3.0-or-later
// The real helper program against the real nftables, inside a network namespace of the test's
// own, with the hosts and status files in a temporary directory. That an applied address is
// unreachable until removed is the container test's check (tests/session/container.sh).
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "firewall_backend.h"
#include "private_network.h"
#include "read_text.h"
#include "temp_dir.h"

namespace {

std::string run(const std::vector<std::string>& argv) {
    ToolRunner::Outcome result = ToolRunner::run(argv, FirewallBackend::commandOptions()).value();
    return std::to_string(result.status) + (result.status == 0 ? "" : ":" + result.output);
}

// What `nft list WHAT...` prints.
std::string nftList(std::vector<std::string> what) {
    what.insert(what.begin(), {"/usr/sbin/nft", "list"});
    return ToolRunner::run(what, FirewallBackend::commandOptions()).value().output;
}

class PrivateNetworkTest : public testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root for a private network namespace and nftables";
        if (access("/usr/sbin/nft", X_OK) != 0)
            GTEST_SKIP() << "needs nft (Debian package nftables)";
        if (!inPrivateNetwork([] { return std::string(); }))
            GTEST_SKIP() << "no private network namespace can be made here";
        std::filesystem::create_directory(dir_ / "helper");
        ASSERT_TRUE(AtomicFile::write(dir_ / "hosts", hosts));
    }

    void writeBlockFile(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / ("helper/" + name), std::ios::binary) << text;
    }
    // The helper's `command` on the test's files, run by `wrapper` if given.
    std::string helper(const std::string& command, std::vector<std::string> wrapper = {}) {
        wrapper.insert(wrapper.end(), {NATTERVANE_HELPER, command, dir_ / "helper", "--hosts",
                                       dir_ / "hosts", "--status", dir_ / "status.txt"});
        if (command != "apply") wrapper.erase(wrapper.end() - 5);
        return run(wrapper);
    }
    // Runs `body` in a fresh network namespace.
    std::string inNamespace(const std::function<std::string()>& body) {
        auto report = inPrivateNetwork(body);
        if (!report) ADD_FAILURE() << "no private network namespace could be made";
        return report.value_or("");
    }
    std::string file(const std::string& name) { return readText(dir_ / name); }

    const std::string hosts = "127.0.0.1 localhost\n";
    TempDir dir_;
};

// Ten thousand addresses load into the real table; a line that tries to reach past it reaches
// neither it nor another table, and removal leaves the other table alone. Which lines are valid
// is block_lines_test's check.
TEST_F(PrivateNetworkTest, TheTableLoadsWholeAndGoesAloneAndNothingReachesPastIt) {
    std::string lines = "2001:db8::7\n1.2.3.4 }; delete table ip other; add element inet "
                        "nattervane blocked4 { 5.6.7.8 }\n";
    for (int i = 0; i < 10000; ++i)
        lines += "10." + std::to_string(i / 256) + "." + std::to_string(i % 256) + ".9\n";
    writeBlockFile("block_ips.txt", lines);
    std::string report = inNamespace([&] {
        std::string text = "made=" + run({"/usr/sbin/nft", "add", "table", "ip", "other"});
        text += " apply=" + helper("apply");
        text += " other=" + run({"/usr/sbin/nft", "list", "table", "ip", "other"});
        std::string listed = nftList({"table", "inet", "nattervane"});
        for (const std::string address : {"2001:db8::7", "10.0.0.9", "10.39.15.9", "5.6.7.8"})
            if (listed.find(address) != std::string::npos) text += " " + address;
        text += " remove=" + helper("remove");
        return text + " left=[" + nftList({"tables"}) + "]";
    });
    EXPECT_EQ(report, "made=0 apply=0 other=0 2001:db8::7 10.0.0.9 10.39.15.9 remove=0 left=[table "
                      "ip other\n]");
}

TEST_F(PrivateNetworkTest, ApplyLooksUpNoNames) {
    if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "needs strace (Debian strace)";
    writeBlockFile("block_ips.txt", "192.0.2.1\nhost.example\nlocalhost\n");
    writeBlockFile("block_domains.txt", "ads.example\n");
    std::string trace = dir_ / "trace";
    std::string report = inNamespace([&] {
        // LeakSanitizer cannot run under ptrace; in sanitizer builds the traced helper goes
        // without it.
        return helper("apply", {"/usr/bin/strace", "-f", "-qq", "-o", trace, "-e",
                                "trace=connect,sendto,sendmsg", "/usr/bin/env",
                                "ASAN_OPTIONS=detect_leaks=0"});
    });
    EXPECT_EQ(report, "0");
    std::string calls = file("trace");
    EXPECT_NE(calls.find("AF_NETLINK"), std::string::npos)
        << "nft talks netlink, traced: " << calls;
    // A lookup would connect to a name server (AF_INET/AF_INET6) or to a local resolver.
    for (const char* sign : {"AF_INET", "resolve", "nscd", "sin_port=htons(53)"})
        EXPECT_EQ(calls.find(sign), std::string::npos) << sign << "\n" << calls;
}

TEST_F(PrivateNetworkTest, EmptyBlockFilesLoadAndRemoveTwiceIsHarmless) {
    writeBlockFile("block_ips.txt", "");
    std::string report = inNamespace(
        [&] { return helper("apply") + " " + helper("remove") + " " + helper("remove"); });
    EXPECT_EQ(report, "0 0 0");
    EXPECT_EQ(file("hosts"), hosts);
}

} // namespace

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

// Hostile lines neither reach the table nor reach past it into another table; the valid lines
// around them, ten thousand of them, all do.
TEST_F(PrivateNetworkTest, OnlyValidatedLinesReachTheTable) {
    std::string lines = "192.0.2.1\n192.0.2.2 }\n} ; flush ruleset ;\nfe80::1%eth0\n"
                        "$(touch /tmp/nv-pwned)\n2001:db8::7\n192.0.2.3\r\n"
                        "1.2.3.4 }; delete table ip other; add element inet nattervane blocked4 { "
                        "5.6.7.8 }\nhost.example\n";
    lines += std::string("192.0.2.4\0\n", 11);
    for (int i = 0; i < 10000; ++i)
        lines += "10." + std::to_string(i / 256) + "." + std::to_string(i % 256) + ".9\n";
    writeBlockFile("block_ips.txt", lines);
    writeBlockFile("block_domains.txt",
                   "x.example }; delete table ip other\nlocalhost.example\n1.2.3.4\n");
    std::string report = inNamespace([&] {
        std::string text = "made=" + run({"/usr/sbin/nft", "add", "table", "ip", "other"});
        text += " apply=" + helper("apply");
        text += " other=" + run({"/usr/sbin/nft", "list", "table", "ip", "other"});
        std::string listed = nftList({"table", "inet", "nattervane"});
        bool valid = true;
        for (const char* address : {"192.0.2.1", "2001:db8::7", "10.39.15.9"})
            valid = valid && listed.find(address) != std::string::npos;
        for (const char* address : {"192.0.2.2", "192.0.2.3", "192.0.2.4", "fe80", "5.6.7.8"})
            valid = valid && listed.find(address) == std::string::npos;
        text += valid ? " table=valid lines only" : " table=" + listed;
        text += " remove=" + helper("remove");
        return text + " left=[" + nftList({"tables"}) + "]";
    });
    EXPECT_EQ(report, "made=0 apply=0 other=0 table=valid lines only remove=0 left=[table ip "
                      "other\n]");
    EXPECT_FALSE(std::filesystem::exists("/tmp/nv-pwned"));
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

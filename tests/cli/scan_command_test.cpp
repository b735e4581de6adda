#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "loopback_connection.h"
#include "private_network.h"

TEST(ClassifyCommand, NamesTheOwnerOfAnAddress) {
    CliResult fastly = runCli("classify 151.101.1.1 --lang en");
    EXPECT_EQ(fastly.status, 0);
    EXPECT_NE(fastly.out.find("cdn (CDN): Fastly"), std::string::npos) << fastly.out;

    CliResult local = runCli("classify 192.168.1.10 --lang ru --app Safari");
    EXPECT_NE(local.out.find("«Safari» связывается с устройством"), std::string::npos) << local.out;

    CliResult json = runCli("classify 203.0.113.5 --json");
    auto parsed = nlohmann::json::parse(json.out.substr(json.out.find('{')));
    EXPECT_EQ(parsed.at("verdict").at("category"), "unknown");
}

TEST(ScanCommand, NamesLocalConnectionsInAPrivateNetwork) {
    // Inside its own network namespace the scan sees only the connection made here, and any
    // lookup it attempts cannot leave the machine.
    auto output = inPrivateNetwork([] {
        LoopbackConnection connection;
        std::string text = std::to_string(getpid()) + "\n";
        return text + runCli("scan --local --wait 0.2 --lang en").out;
    });
    if (!output) GTEST_SKIP() << "needs root for a private network namespace";
    std::string pid = output->substr(0, output->find('\n'));
    EXPECT_NE(output->find("source: netlink"), std::string::npos) << *output;
    EXPECT_NE(output->find("cli_tests (pid " + pid), std::string::npos) << *output;
    EXPECT_NE(output->find("Local"), std::string::npos) << *output;
    EXPECT_NE(output->find("talks to a device on your network or this computer."),
              std::string::npos)
        << *output;
}

#include <optional>
#include <string>

#include <sys/prctl.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "loopback_connection.h"

TEST(FlowsCommand, ListsAnOpenConnectionWithItsProcess) {
    LoopbackConnection connection;
    CliResult table = runCli("flows");
    ASSERT_EQ(table.status, 0) << table.out;
    EXPECT_NE(table.out.find("source: netlink ("), std::string::npos) << table.out;
    std::string row = std::to_string(getpid()) + " ";
    size_t at = table.out.find("\n" + row);
    ASSERT_NE(at, std::string::npos) << table.out;
    std::string line = table.out.substr(at + 1, table.out.find('\n', at + 1) - at - 1);
    EXPECT_NE(line.find("cli_tests"), std::string::npos) << line;
    EXPECT_NE(table.out.find("127.0.0.1:" + std::to_string(connection.port())), std::string::npos);
}

// The kernel keeps 15 bytes of a process name, which can cut a Cyrillic letter in two.
TEST(FlowsCommand, JsonKeepsANameCutInsideALetter) {
    char own[16] = {};
    ASSERT_EQ(prctl(PR_GET_NAME, own), 0);
    ASSERT_EQ(prctl(PR_SET_NAME, "Телеграм"), 0);
    LoopbackConnection connection;
    CliResult listed = runCli("flows --json", "2>/dev/null");
    prctl(PR_SET_NAME, own);
    ASSERT_EQ(listed.status, 0) << listed.out;
    nlohmann::json flows = nlohmann::json::parse(listed.out);
    std::optional<std::string> name;
    for (const auto& flow : flows)
        if (flow.at("pid") == getpid() && flow.at("remotePort") == connection.port())
            name = flow.at("process");
    EXPECT_EQ(name, std::optional<std::string>("Телегра\uFFFD")) << listed.out;
}

TEST(FlowsCommand, WatchDrawsTheTableAgainWithEachProgramsRates) {
    LoopbackConnection connection;
    CliResult watched = runCli("flows --watch 0.5 --count 2", "2>/dev/null");
    ASSERT_EQ(watched.status, 0) << watched.out;
    const size_t second = watched.out.find("\nsource: ");
    ASSERT_NE(second, std::string::npos) << watched.out;
    EXPECT_EQ(watched.out.find("\nsource: ", second + 1), std::string::npos) << watched.out;
    // The first table has nothing to compare with; the second has a rate for every program.
    const auto lineOf = [&](size_t from) {
        const size_t at = watched.out.find("\ncli_tests ", from);
        return at == std::string::npos
                   ? std::string()
                   : watched.out.substr(at + 1, watched.out.find('\n', at + 1) - at - 1);
    };
    EXPECT_NE(lineOf(0).find("…"), std::string::npos) << watched.out;
    EXPECT_NE(lineOf(second).find("B/s"), std::string::npos) << watched.out;
}

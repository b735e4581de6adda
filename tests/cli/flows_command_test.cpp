// SPDX-License-Identifier: GPL-3.0-or-later
#include <optional>
#include <string>

#include <sys/prctl.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/utf8.h"
#include "cli_run.h"
#include "loopback_connection.h"

TEST(FlowsCommand, ListsAnOpenConnectionWithItsProcess) {
    LoopbackConnection connection;
    CliResult table = runCli("flows");
    ASSERT_EQ(table.status, 0) << table.out;
    EXPECT_TRUE(has(table.out, "source: netlink (")) << table.out;
    EXPECT_TRUE(has(lineStarting(table.out, std::to_string(getpid()) + " "), "cli_tests"))
        << table.out;
    EXPECT_TRUE(has(table.out, "127.0.0.1:" + std::to_string(connection.port()))) << table.out;
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
    std::optional<std::string> name;
    for (const auto& flow : nlohmann::json::parse(listed.out))
        if (flow.at("pid") == getpid() && flow.at("remotePort") == connection.port())
            name = flow.at("process");
    EXPECT_EQ(name, std::optional<std::string>("Телегра\uFFFD")) << listed.out;
}

// The first table has nothing to compare with; the second has a rate for every program.
TEST(FlowsCommand, WatchDrawsTheTableAgainWithEachProgramsRates) {
    LoopbackConnection connection;
    CliResult watched = runCli("flows --watch 0.5 --count 2", "2>/dev/null");
    ASSERT_EQ(watched.status, 0) << watched.out;
    const size_t second = watched.out.find("\nsource: ");
    ASSERT_NE(second, std::string::npos) << watched.out;
    EXPECT_FALSE(has(watched.out.substr(second + 1), "\nsource: ")) << watched.out;
    // The columns line up in characters, though "…" takes three bytes.
    const std::string first = lineStarting(watched.out, "cli_tests ");
    const std::string header = lineStarting(watched.out, "PROGRAM ");
    ASSERT_TRUE(has(first, "…")) << watched.out;
    EXPECT_EQ(Utf8::length(first.substr(0, first.rfind("…"))), header.find("SENT")) << watched.out;
    EXPECT_TRUE(has(lineStarting(watched.out, "cli_tests ", second), "B/s")) << watched.out;
}

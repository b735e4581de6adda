#include <array>
#include <cstdio>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "loopback_connection.h"

namespace {

struct Result {
    std::string out;
    int status;
};

Result runCli(const std::string& arguments) {
    std::string command = std::string(NATTERVANE_CLI) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    while (size_t count = fread(buffer.data(), 1, buffer.size(), pipe))
        out.append(buffer.data(), count);
    int status = pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

} // namespace

TEST(FlowsCommand, ListsAnOpenConnectionWithItsProcess) {
    LoopbackConnection connection;
    Result table = runCli("flows");
    ASSERT_EQ(table.status, 0) << table.out;
    EXPECT_NE(table.out.find("source: ss"), std::string::npos) << table.out;
    std::string row = std::to_string(getpid()) + " ";
    size_t at = table.out.find("\n" + row);
    ASSERT_NE(at, std::string::npos) << table.out;
    std::string line = table.out.substr(at + 1, table.out.find('\n', at + 1) - at - 1);
    EXPECT_NE(line.find("cli_tests"), std::string::npos) << line;
    EXPECT_NE(table.out.find("127.0.0.1:" + std::to_string(connection.port())), std::string::npos);
}

TEST(FlowsCommand, JsonIsAnArrayOfFlows) {
    LoopbackConnection connection;
    std::string command = std::string(NATTERVANE_CLI) + " flows --json 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    while (size_t count = fread(buffer.data(), 1, buffer.size(), pipe))
        out.append(buffer.data(), count);
    pclose(pipe);
    nlohmann::json flows = nlohmann::json::parse(out);
    ASSERT_TRUE(flows.is_array());
    bool found = false;
    for (const auto& flow : flows)
        found |= flow.at("pid") == getpid() && flow.at("remotePort") == connection.port();
    EXPECT_TRUE(found) << out;
}

TEST(FlowsCommand, BadUsageExitsWithStatusTwo) {
    Result unknownOption = runCli("flows --bogus");
    EXPECT_EQ(unknownOption.status, 2);
    EXPECT_NE(unknownOption.out.find("unknown option for flows: --bogus"), std::string::npos);
    EXPECT_NE(unknownOption.out.find("usage: nattervane-cli"), std::string::npos);
    EXPECT_EQ(runCli("").status, 2);
    EXPECT_EQ(runCli("fly").status, 2);
    EXPECT_EQ(runCli("--help").status, 0);
}

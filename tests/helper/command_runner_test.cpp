#include <gtest/gtest.h>

#include "command_runner.h"

namespace {

TEST(CommandRunner, FeedsStandardInputAndCollectsBothOutputs) {
    CommandResult result =
        runCommand({"/bin/sh", "-c", "cat; echo oops >&2; exit 3"}, "line one\nline two\n", 10);
    EXPECT_EQ(result, (CommandResult{3, "line one\nline two\noops\n"}));
}

TEST(CommandRunner, LargeInputAndOutputDoNotDeadlock) {
    std::string input(4 * 1024 * 1024, 'x');
    CommandResult result = runCommand({"/bin/cat"}, input, 30);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output.size(), input.size());
}

TEST(CommandRunner, ACommandThatIgnoresItsInputStillFinishes) {
    CommandResult result = runCommand({"/bin/true"}, std::string(1024 * 1024, 'x'), 10);
    EXPECT_EQ(result.status, 0);
}

TEST(CommandRunner, FailuresGiveStatusMinusOne) {
    EXPECT_EQ(runCommand({"/nonexistent/nft", "-f", "-"}, "x", 5).status, -1);
    EXPECT_EQ(runCommand({}, "", 5).status, -1);
    EXPECT_EQ(runCommand({"/bin/sleep", "10"}, "", 0.2).status, -1);
}

} // namespace

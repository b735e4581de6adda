#include <gtest/gtest.h>

#include "base/tool_runner.h"
#include "desktop/admin_command.h"

// The words a shell makes of a command, one per line, as the shell itself splits them.
static std::string wordsOf(const std::string& command) {
    return runTool("/bin/sh", {"-c", "printf '%s\\n' " + command.substr(command.find(' ') + 1)}, 5)
        .value();
}

TEST(AdminCommand, QuotingKeepsEveryTextOneShellWord) {
    for (std::string text : {"/Users/O'Brien/Nattervane", "a b\tc", "$(touch x) `id` ; |&", "''",
                             "quote\"d\\back", ""})
        EXPECT_EQ(wordsOf("/bin/bash " + AdminCommand::quoted(text)), text + "\n") << text;
}

TEST(AdminCommand, InstallPassesScriptBlockDirectoryAndUserAsThreeWords) {
    // As one command line for systems whose administrator step takes only that.
    EXPECT_EQ(
        wordsOf(AdminCommand::shellCommand(AdminCommand::install(
            "/opt/nv/helper", "/home/o'neil/.local/share/Nattervane/helper", "o'neil"))),
        "/opt/nv/helper/nv-install.sh\n/home/o'neil/.local/share/Nattervane/helper\no'neil\n");
    EXPECT_EQ(AdminCommand::shellCommand(
                  AdminCommand::uninstall("/usr/local/lib/nattervane/nv-uninstall.sh")),
              "/bin/bash '/usr/local/lib/nattervane/nv-uninstall.sh'");
}

// The shell's '\'' keeps its quotes; only its backslash is doubled for the AppleScript string.
TEST(AdminCommand, AppleScriptEscapesOnlyBackslashesAndDoubleQuotes) {
    EXPECT_EQ(AdminCommand::appleScript(R"('O'\''Brien' 'a"b')", R"(Prompt "as is")"),
              R"(do shell script "'O'\\''Brien' 'a\"b'" with prompt "Prompt "as is"" with )"
              R"(administrator privileges)");
}

TEST(AdminCommand, AStepFailsWithItsLastErrorLineUnlessItSucceededOrWasCancelled) {
    using ToolRunner::Outcome;
    auto reason = [](Result<ToolRunner::Outcome> ran, std::optional<int> cancelled = 126) {
        Result<void> outcome = AdminCommand::outcome(ran, cancelled);
        return outcome ? std::string("fine") : outcome.error().message;
    };
    EXPECT_EQ(reason(Outcome{.status = 0, .errors = "warning\n"}), "fine");
    EXPECT_EQ(reason(Outcome{.status = 126}), "fine");
    EXPECT_EQ(reason(Outcome{.status = 126}, std::nullopt),
              "the administrator step ended with status 126");
    EXPECT_EQ(reason(Outcome{.status = 127,
                             .errors = "Error executing command as another user: Not "
                                       "authorized\n\nThis incident has been reported.\n  \n"}),
              "Error executing command as another user: Not authorized\nThis incident has been "
              "reported.");
    EXPECT_EQ(reason(Outcome{.status = 1, .errors = "1\n2\n3\n4\n5\n"}), "2\n3\n4\n5");
    EXPECT_EQ(reason(Outcome{.status = -1}), "the administrator step did not finish");
    EXPECT_EQ(reason(Error{ENOENT, "cannot run /usr/bin/pkexec: No such file or directory"}),
              "cannot run /usr/bin/pkexec: No such file or directory");
}

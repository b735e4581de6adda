#include <gtest/gtest.h>

#include "base/tool_runner.h"
#include "desktop/admin_command.h"

// The words a shell makes of a command, one per line, as the shell itself splits them.
static std::string wordsOf(const std::string& command) {
    return runTool("/bin/sh", {"-c", "printf '%s\\n' " + command.substr(command.find(' ') + 1)}, 5)
        .value();
}

TEST(AdminCommand, QuotingKeepsEveryTextOneShellWord) {
    EXPECT_EQ(AdminCommand::quoted("plain"), "'plain'");
    EXPECT_EQ(AdminCommand::quoted("O'Brien"), "'O'\\''Brien'");
    EXPECT_EQ(AdminCommand::quoted(""), "''");
    for (std::string text :
         {"/Users/O'Brien/Nattervane", "a b\tc", "$(touch x) `id` ; |&", "''", "quote\"d\\back"}) {
        std::string command = "/bin/bash " + AdminCommand::quoted(text);
        EXPECT_EQ(wordsOf(command), text + "\n") << text;
    }
}

TEST(AdminCommand, InstallPassesScriptBlockDirectoryAndUserAsThreeWords) {
    const AdminCommand::Words words = AdminCommand::install(
        "/opt/nv/helper", "/home/o'neil/.local/share/Nattervane/helper", "o'neil");
    EXPECT_EQ(words,
              (AdminCommand::Words{"/opt/nv/helper/nv-install.sh",
                                   "/home/o'neil/.local/share/Nattervane/helper", "o'neil"}));
    // As one command line for systems whose administrator step takes only that.
    std::string command = AdminCommand::shellCommand(words);
    EXPECT_EQ(command, "/bin/bash '/opt/nv/helper/nv-install.sh' "
                       "'/home/o'\\''neil/.local/share/Nattervane/helper' 'o'\\''neil'");
    EXPECT_EQ(wordsOf(command), "/opt/nv/helper/nv-install.sh\n"
                                "/home/o'neil/.local/share/Nattervane/helper\no'neil\n");
    EXPECT_EQ(AdminCommand::shellCommand(
                  AdminCommand::uninstall("/usr/local/lib/nattervane/nv-uninstall.sh")),
              "/bin/bash '/usr/local/lib/nattervane/nv-uninstall.sh'");
}

TEST(AdminCommand, AppleScriptEscapesOnlyBackslashesAndDoubleQuotes) {
    // The shell's '\'' keeps its quotes; only its backslash is doubled for the AppleScript string.
    std::string command = AdminCommand::shellCommand(
        AdminCommand::install("/App/helper", "/Users/O'Brien/NV/helper", "a\"b"));
    EXPECT_EQ(AdminCommand::appleScript(command, R"(Prompt "as is")"),
              R"(do shell script "/bin/bash '/App/helper/nv-install.sh' )"
              R"('/Users/O'\\''Brien/NV/helper' 'a\"b'" with prompt "Prompt "as is"" with )"
              R"(administrator privileges)");
    EXPECT_EQ(AdminCommand::appleScript(R"(a\"b)", "p"),
              R"(do shell script "a\\\"b" with prompt "p" with administrator privileges)");
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

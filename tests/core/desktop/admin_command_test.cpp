// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/tool_runner.h"
#include "desktop/admin_command.h"

TEST(AdminCommand, StepsPassTheirWordsAndFailWithTheLastErrorLinesUnlessCancelled) {
    EXPECT_EQ(AdminCommand::install("/opt/nv/helper", "/home/o'neil/Nattervane/helper", "o'neil"),
              (AdminCommand::Words{"/opt/nv/helper/nv-install.sh", "/home/o'neil/Nattervane/helper",
                                   "o'neil"}));
    EXPECT_EQ(AdminCommand::uninstall("/usr/lib/nv-uninstall.sh"),
              AdminCommand::Words{"/usr/lib/nv-uninstall.sh"});
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

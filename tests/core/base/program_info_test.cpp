// SPDX-License-Identifier: GPL-3.0-or-later
#include <sstream>

#include <gtest/gtest.h>

#include "base/program_info.h"

TEST(ProgramInfo, AnswersHelpAndVersionOnlyAsTheFirstArgument) {
    struct Case {
        std::vector<std::string> arguments;
        std::optional<int> status;
        std::string out;
    };
    for (const Case& c : std::vector<Case>{
             {{"--version", "x"}, 0, "tool " + std::string(ProgramInfo::version()) + "\n"},
             {{"-h", "scan"}, 0, "usage\n"},
             {{"-V"}, 0, "tool " + std::string(ProgramInfo::version()) + "\n"},
             {{"scan", "--help"}, std::nullopt, ""},
             {{"--versions"}, std::nullopt, ""},
             {{}, std::nullopt, ""}}) {
        std::ostringstream out;
        EXPECT_EQ(ProgramInfo::answer(c.arguments, "tool", "usage\n", out), c.status);
        EXPECT_EQ(out.str(), c.out);
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include <gtest/gtest.h>

#include "status_file.h"

namespace {

TEST(StatusFile, NotesAreOnePrintableLineEachAndFewAndCountsComeFromTheFirstLine) {
    std::vector<std::string> notes(10, "refused x");
    notes[0] = "bad\nips=999 \x1b[31m\\ \xd0\xb9";
    notes[1] = std::string(1000, 'a');
    std::string text = StatusFile::text("ips=1 domains=2 rejected=0", notes);
    EXPECT_TRUE(text.starts_with("ips=1 domains=2 rejected=0\n"
                                 "bad\\x0aips=999 \\x1b[31m\\x5c \\xd0\\xb9\n" +
                                 std::string(StatusFile::maxNoteLength, 'a') + "\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + int(StatusFile::maxNotes));
    EXPECT_EQ(StatusFile::previousCounts("ips=3 domains=4 rejected=1\nnote\n"),
              "ips=3 domains=4 rejected=1");
    EXPECT_EQ(StatusFile::previousCounts(""), "ips=0 domains=0 rejected=0");
    EXPECT_EQ(StatusFile::previousCounts("garbage\nips=9"), "ips=0 domains=0 rejected=0");
}

} // namespace

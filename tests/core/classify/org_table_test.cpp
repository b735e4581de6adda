// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <random>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/resources.h"
#include "base/text.h"
#include "classify/known_orgs.h"
#include "classify/org_table.h"
#include "test_paths.h"

// Every bad line is skipped and counted, and the good row after it still loads.
TEST(OrgTable, SkipsAndCountsBadLinesKeepingTheRest) {
    struct Case {
        const char* name;
        std::string text;
        size_t rows, rejected;
    };
    for (const Case& c : std::vector<Case>{
             {"rows, one with a UTF-8 company", "a.example\tcdn\tA\nb.example\tservice\tЯндекс\n",
              2, 0},
             {"comments and blank lines", "# a.example\tcdn\tA\n\n  \n\r\n", 0, 0},
             {"two, four or no tab-separated fields",
              "a.example\tcdn\na.example\tcdn\tA\textra\na.example cdn A\n", 0, 3},
             {"bad domains",
              "nodot\tcdn\tA\na..example\tcdn\tA\n.a.example\tcdn\tA\na_b.example\tcdn\tA\n", 0, 4},
             {"the category is case-sensitive", "a.example\tCdn\tA\n", 0, 1},
             {"categories no domain can have",
              "a.example\tlocal\tA\nb.example\tsystem\tB\nc.example\tunknown\tC\n", 0, 3},
             {"bad companies",
              "a.example\tcdn\t\nb.example\tcdn\tB\x01\nc.example\tcdn\t\xff\xfe\n"
              "d.example\tcdn\t" +
                  std::string(81, 'D') + "\n",
              0, 4},
         }) {
        OrgTable table(c.text + "after.example\tservice\tAfter\n");
        EXPECT_EQ(table.count(), c.rows + 1) << c.name;
        EXPECT_EQ(table.rejected(), c.rejected) << c.name;
        EXPECT_EQ(table.lookup("after.example"), (Org{"After", Category::service})) << c.name;
    }
}

// Rows are trimmed and lower-cased, the first of a repeat wins, and a row needs two labels.
TEST(OrgTable, MatchesTheMostSpecificRowOfAtLeastTwoLabels) {
    OrgTable table(" Vendor.EXAMPLE \t service \t Vendor \r\n"
                   "vendor.example\tads\tLater\n"
                   "metrics.vendor.example\ttelemetry\tVendor metrics\n"
                   "example\tads\tWhole TLD\n");
    EXPECT_EQ(table.rejected(), 2u);
    // The walk itself is the built-in table's, tested with it.
    EXPECT_EQ(table.lookup("a.b.vendor.example"), (Org{"Vendor", Category::service}));
    EXPECT_EQ(table.lookup("Eu.Metrics.VENDOR.example"),
              (Org{"Vendor metrics", Category::telemetry}));
    EXPECT_EQ(table.lookup("othervendor.example"), std::nullopt);
    EXPECT_EQ(OrgTable().lookup("vendor.example"), std::nullopt);
}

TEST(OrgTable, AFailedReadKeepsTheTableAndGarbageNeverBreaksIt) {
    OrgTable table("kept.example\tcdn\tKept\n");
    EXPECT_EQ(table.loadFile("/nonexistent/orgs.txt").error().code, ENOENT);
    EXPECT_EQ(table.count(), 1u);
    std::string garbage =
        AtomicFile::read(std::string(TestPaths::data) + "/garbage_text.txt").value_or("");
    std::mt19937 random(20);
    for (int i = 0; i < 20000; ++i)
        garbage.push_back(static_cast<char>(i % 7 == 0 ? '\t' : random() % 256));
    table.load(garbage);
    EXPECT_EQ(table.lookup("kept.example"), std::nullopt);
    table.load(garbage + "\nkept.example\tcdn\tKept\n");
    EXPECT_EQ(table.lookup("www.kept.example"), (Org{"Kept", Category::cdn}));
}

TEST(OrgTable, TheShippedTableIsCleanAndEveryRowReachable) {
    const std::string text = AtomicFile::read(Resources::path("orgs.txt")).value_or("");
    OrgTable table(text);
    EXPECT_EQ(table.rejected(), 0u);
    EXPECT_GE(table.count(), 400u);
    // The built-in rows win over the table, so a row they cover would never be used.
    for (std::string_view line : Text::splitNonEmpty(text, '\n'))
        EXPECT_TRUE(line.front() == '#' || !KnownOrgs::lookup(line.substr(0, line.find('\t'))))
            << line;
}

#include <cerrno>
#include <random>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/resources.h"
#include "base/text.h"
#include "classify/known_orgs.h"
#include "classify/org_table.h"
#include "test_paths.h"

namespace {

const std::string& shippedText() {
    static const std::string text =
        AtomicFile::read(Resources::path("orgs.txt")).value_or(std::string());
    return text;
}

} // namespace

// Every bad line is skipped and counted, and the good row after it still loads.
TEST(OrgTable, SkipsAndCountsBadLinesKeepingTheRest) {
    struct Case {
        const char* name;
        std::string text;
        size_t rows, rejected;
    };
    for (const Case& c : std::vector<Case>{
             {"row", "a.example\tcdn\tA\n", 1, 0},
             {"comments and blank lines", "# a.example\tcdn\tA\n\n  \n\r\n", 0, 0},
             {"carriage return and blanks around fields", " a.example \t cdn\t A Co \r\n", 1, 0},
             {"two fields", "a.example\tcdn\n", 0, 1},
             {"four fields", "a.example\tcdn\tA\textra\n", 0, 1},
             {"spaces instead of tabs", "a.example cdn A\n", 0, 1},
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
             {"UTF-8 company", "a.example\tservice\tЯндекс\n", 1, 0},
             {"a repeated domain keeps the first", "a.example\tcdn\tA\nA.example\tads\tB\n", 1, 1},
         }) {
        OrgTable table(c.text + "after.example\tservice\tAfter\n");
        EXPECT_EQ(table.count(), c.rows + 1) << c.name;
        EXPECT_EQ(table.rejected(), c.rejected) << c.name;
        EXPECT_EQ(table.lookup("after.example"), (Org{"After", Category::service})) << c.name;
    }
}

TEST(OrgTable, RowsAreTrimmedLowerCasedAndTheFirstOfARepeatWins) {
    OrgTable table(" Mixed.EXAMPLE \t cdn \t Mixed Co \r\nmixed.example\tads\tLater\n");
    EXPECT_EQ(table.lookup("mixed.example"), (Org{"Mixed Co", Category::cdn}));
}

TEST(OrgTable, MatchesTheMostSpecificRowOfAtLeastTwoLabels) {
    OrgTable table("vendor.example\tservice\tVendor\n"
                   "metrics.vendor.example\ttelemetry\tVendor metrics\n"
                   "example\tads\tWhole TLD\n");
    const Org vendor{"Vendor", Category::service};
    const Org metrics{"Vendor metrics", Category::telemetry};
    EXPECT_EQ(table.lookup("vendor.example"), vendor);
    EXPECT_EQ(table.lookup("a.b.vendor.example"), vendor);
    EXPECT_EQ(table.lookup("Eu.Metrics.VENDOR.example"), metrics);
    EXPECT_EQ(table.lookup("metrics.vendor.example"), metrics);
    EXPECT_EQ(table.lookup("othervendor.example"), std::nullopt);
    EXPECT_EQ(table.lookup("vendor.example."), std::nullopt);
    EXPECT_EQ(table.lookup("vendor.example.org"), std::nullopt);
    EXPECT_EQ(table.lookup(""), std::nullopt);
    EXPECT_EQ(table.lookup("."), std::nullopt);
    EXPECT_EQ(OrgTable().lookup("vendor.example"), std::nullopt);
}

TEST(OrgTable, AFailedReadKeepsTheTableAndGarbageNeverBreaksIt) {
    OrgTable table("kept.example\tcdn\tKept\n");
    Result<void> loaded = table.loadFile("/nonexistent/orgs.txt");
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().code, ENOENT);
    EXPECT_EQ(table.count(), 1u);

    std::string garbage =
        AtomicFile::read(std::string(TestPaths::data) + "/garbage_text.txt").value_or("");
    std::mt19937 random(20);
    for (int i = 0; i < 20000; ++i)
        garbage.push_back(static_cast<char>(i % 7 == 0 ? '\t' : random() % 256));
    table.load(garbage);
    EXPECT_GT(table.rejected(), 0u);
    EXPECT_EQ(table.lookup("kept.example"), std::nullopt);
    table.load(garbage + "\nkept.example\tcdn\tKept\n");
    EXPECT_EQ(table.lookup("www.kept.example"), (Org{"Kept", Category::cdn}));
}

TEST(OrgTable, TheShippedTableIsCleanAndEveryRowReachable) {
    ASSERT_FALSE(shippedText().empty());
    ASSERT_TRUE(shippedText().starts_with("#"));
    OrgTable table(shippedText());
    EXPECT_EQ(table.rejected(), 0u);
    EXPECT_GE(table.count(), 400u);
    for (std::string_view line : Text::splitNonEmpty(shippedText(), '\n')) {
        if (line.front() == '#') continue;
        std::string domain(line.substr(0, line.find('\t')));
        EXPECT_EQ(Text::toLower(domain), domain);
        // The built-in rows win over the table, so a row they cover would never be used.
        EXPECT_EQ(KnownOrgs::lookup(domain), std::nullopt) << domain;
    }
}

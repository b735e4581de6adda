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

struct LineCase {
    std::string name;
    std::string text;
    size_t rows;
    size_t rejected;
};

void PrintTo(const LineCase& line, std::ostream* out) {
    *out << line.name;
}

class OrgTableLines : public testing::TestWithParam<LineCase> {};

const std::string& shippedText() {
    static const std::string text =
        AtomicFile::read(Resources::path("orgs.txt")).value_or(std::string());
    return text;
}

} // namespace

// Every bad line is skipped and counted, and the good row after it still loads.
TEST_P(OrgTableLines, SkipsAndCountsBadLinesKeepingTheRest) {
    OrgTable table(GetParam().text + "after.example\tservice\tAfter\n");
    EXPECT_EQ(table.count(), GetParam().rows + 1);
    EXPECT_EQ(table.rejected(), GetParam().rejected);
    EXPECT_EQ(table.lookup("after.example"), (Org{"After", Category::service}));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, OrgTableLines,
    testing::Values(
        LineCase{"Row", "a.example\tcdn\tA\n", 1, 0},
        LineCase{"CommentsAndBlankLines", "# a.example\tcdn\tA\n\n  \n\r\n", 0, 0},
        LineCase{"CarriageReturnAndBlanksAroundFields", " a.example \t cdn\t A Co \r\n", 1, 0},
        LineCase{"TwoFields", "a.example\tcdn\n", 0, 1},
        LineCase{"FourFields", "a.example\tcdn\tA\textra\n", 0, 1},
        LineCase{"SpacesInsteadOfTabs", "a.example cdn A\n", 0, 1},
        LineCase{"BadDomains",
                 "nodot\tcdn\tA\na..example\tcdn\tA\n.a.example\tcdn\tA\n"
                 "a_b.example\tcdn\tA\n",
                 0, 4},
        LineCase{"CategoryIsCaseSensitive", "a.example\tCdn\tA\n", 0, 1},
        LineCase{"CategoriesNoDomainCanHave",
                 "a.example\tlocal\tA\nb.example\tsystem\tB\nc.example\tunknown\tC\n", 0, 3},
        LineCase{"BadCompanies",
                 "a.example\tcdn\t\nb.example\tcdn\tB\x01\nc.example\tcdn\t\xff\xfe\n"
                 "d.example\tcdn\t" +
                     std::string(81, 'D') + "\n",
                 0, 4},
        LineCase{"Utf8Company", "a.example\tservice\tЯндекс\n", 1, 0},
        LineCase{"RepeatedDomainKeepsTheFirst", "a.example\tcdn\tA\nA.example\tads\tB\n", 1, 1}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

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

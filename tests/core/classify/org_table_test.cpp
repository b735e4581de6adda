// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <random>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/resources.h"
#include "base/text.h"
#include "classify/classifier.h"
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

// A "*" stands for one or more characters of one label; a plain row of the same domain wins, a
// pattern beats a plain row of a parent, and patterns that could cover a whole suffix are refused.
TEST(OrgTable, APatternRowCoversHostsVaryingInOneLabel) {
    OrgTable table("vendor.example\tservice\tVendor\n"
                   "telemetry.*.vendor.example\ttelemetry\tVendor telemetry\n"
                   "telemetry.eu.vendor.example\tcdn\tVendor EU\n"
                   "intake-*-vendor.example\ttelemetry\tVendor intake\n"
                   "telemetry.*.vendor.example\tads\tRepeated\n"
                   "*.example\tads\tBare\n"
                   "vendor.*\tads\tLast\n"
                   "a*b*.vendor.example\tads\tTwo\n"
                   "*_x.vendor.example\tads\tInvalid\n");
    EXPECT_EQ(table.count(), 4u);
    EXPECT_EQ(table.rejected(), 5u);
    const Org telemetry{"Vendor telemetry", Category::telemetry};
    EXPECT_EQ(table.lookup("Telemetry.US-East.vendor.example"), telemetry);
    EXPECT_EQ(table.lookup("a.telemetry.us.vendor.example"), telemetry);
    EXPECT_EQ(table.lookup("telemetry.eu.vendor.example"), (Org{"Vendor EU", Category::cdn}));
    EXPECT_EQ(table.lookup("telemetry.vendor.example"), (Org{"Vendor", Category::service}));
    EXPECT_EQ(table.lookup("telemetry.a.b.vendor.example"), (Org{"Vendor", Category::service}));
    EXPECT_EQ(table.lookup("x.intake-us5-vendor.example"),
              (Org{"Vendor intake", Category::telemetry}));
    EXPECT_EQ(table.lookup("intake--vendor.example"), std::nullopt);
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
    // A built-in row wins over a table row of the same domain, which would never be used.
    for (std::string_view line : Text::splitNonEmpty(text, '\n'))
        EXPECT_TRUE(line.front() == '#' || !KnownOrgs::exact(line.substr(0, line.find('\t'))))
            << line;
}

// Hosts receiving crash reports and monitoring data are named by host for whoever receives them,
// while the provider's other hosts keep its category.
TEST(OrgTable, TheShippedTableNamesTelemetryInsideProvidersDomains) {
    const OrgTable orgs(AtomicFile::read(Resources::path("orgs.txt")).value_or(""));
    for (const auto& [host, category] : std::vector<std::pair<std::string, Category>>{
             {"crashlyticsreports-pa.googleapis.com", Category::telemetry},
             {"westeurope-5.in.applicationinsights.azure.com", Category::telemetry},
             {"telemetry.individual.githubcopilot.com", Category::telemetry},
             {"copilot-telemetry.githubusercontent.com", Category::telemetry},
             {"dataplane.rum.eu-west-1.amazonaws.com", Category::telemetry},
             {"browser-intake-us5-datadoghq.com", Category::telemetry},
             {"collector.github.com", Category::analytics},
             {"storage.googleapis.com", Category::service},
             {"s3.eu-west-1.amazonaws.com", Category::cloud},
             {"api.individual.githubcopilot.com", Category::service},
         }) {
        Verdict verdict = Classifier::classify("203.0.113.9", host, nullptr, &orgs);
        EXPECT_EQ(verdict.category, category) << host;
    }
}

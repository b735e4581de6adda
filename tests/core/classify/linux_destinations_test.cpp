// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/resources.h"
#include "base/text.h"
#include "classify/classifier.h"
#include "test_paths.h"

// Each destination is a host, a tab and the categories accepted for it. They are classified on a
// documentation address that no address block covers; the misses are printed.
TEST(LinuxDestinations, MostAreNamedAcceptablyAndFewStayUnknown) {
    TrackerList trackers;
    ASSERT_TRUE(trackers.loadFile(Resources::path("trackers.txt")));
    OrgTable orgs;
    ASSERT_TRUE(orgs.loadFile(Resources::path("orgs.txt")));
    std::string text =
        AtomicFile::read(std::string(TestPaths::data) + "/linux_destinations.txt").value_or("");
    double total = 0, acceptable = 0, unknown = 0;
    for (std::string_view line : Text::splitNonEmpty(text, '\n')) {
        if (line.front() == '#') continue;
        std::vector<std::string_view> fields = Text::split(line, '\t');
        ASSERT_EQ(fields.size(), 2u) << line;
        Verdict verdict =
            Classifier::classify("203.0.113.77", std::string(fields[0]), &trackers, &orgs);
        std::string category(Categories::name(verdict.category));
        bool good =
            ("|" + std::string(fields[1]) + "|").find("|" + category + "|") != std::string::npos;
        ++total;
        acceptable += good;
        unknown += verdict.category == Category::unknown;
        if (!good) std::cout << "  miss: " << line << " -> " << category << "\n";
    }
    EXPECT_GE(total, 150);
    EXPECT_GE(acceptable / total, 0.9) << acceptable << " of " << total << " acceptable";
    EXPECT_LE(unknown / total, 0.1) << unknown << " of " << total << " unknown";
}

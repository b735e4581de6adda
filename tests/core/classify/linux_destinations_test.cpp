#include <algorithm>
#include <iomanip>
#include <iostream>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/resources.h"
#include "base/text.h"
#include "classify/classifier.h"
#include "test_paths.h"

namespace {

struct Destination {
    std::string host;
    std::vector<Category> accepted;
};

std::vector<Destination> destinations() {
    std::string text =
        AtomicFile::read(std::string(TestPaths::data) + "/linux_destinations.txt").value_or("");
    std::vector<Destination> list;
    for (std::string_view line : Text::splitNonEmpty(text, '\n')) {
        if (line.front() == '#') continue;
        std::vector<std::string_view> fields = Text::split(line, '\t');
        EXPECT_EQ(fields.size(), 2u) << line;
        if (fields.size() != 2) continue;
        Destination destination{std::string(fields[0]), {}};
        for (std::string_view name : Text::split(fields[1], '|')) {
            std::optional<Category> category = Categories::from(name);
            EXPECT_TRUE(category) << line;
            if (category) destination.accepted.push_back(*category);
        }
        list.push_back(std::move(destination));
    }
    return list;
}

} // namespace

// The destinations are classified on a documentation address that no address block covers; the
// misses are printed.
TEST(LinuxDestinations, MostAreNamedAcceptablyAndFewStayUnknown) {
    std::vector<Destination> list = destinations();
    ASSERT_GE(list.size(), 150u);
    TrackerList trackers;
    ASSERT_TRUE(trackers.loadFile(Resources::path("trackers.txt")));
    OrgTable orgs;
    ASSERT_TRUE(orgs.loadFile(Resources::path("orgs.txt")));
    const double total = static_cast<double>(list.size());
    double acceptable = 0, unknown = 0;
    for (const Destination& destination : list) {
        Verdict verdict = Classifier::classify("203.0.113.77", destination.host, &trackers, &orgs);
        bool good = std::find(destination.accepted.begin(), destination.accepted.end(),
                              verdict.category) != destination.accepted.end();
        acceptable += good;
        unknown += verdict.category == Category::unknown;
        if (!good)
            std::cout << "  miss: " << destination.host << " -> "
                      << Categories::name(verdict.category) << " " << verdict.company.value_or("")
                      << "\n";
    }
    std::cout << std::fixed << std::setprecision(1) << list.size()
              << " destinations: " << acceptable / total * 100 << " % acceptable, "
              << unknown / total * 100 << " % unknown\n";
    EXPECT_GE(acceptable / total, 0.9);
    EXPECT_LE(unknown / total, 0.1);
}

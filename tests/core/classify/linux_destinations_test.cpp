// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <iostream>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/resources.h"
#include "base/text.h"
#include "classify/classifier.h"
#include "test_paths.h"

namespace {

// Each destination is a host, a tab and the categories accepted for it. They are classified on a
// documentation address that no address block covers.
struct Score {
    double total = 0, acceptable = 0, unknown = 0;
};

// FNV-1a of the host: a split that depends on nothing but the name.
bool heldOut(std::string_view host) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : host)
        hash = (hash ^ c) * 16777619u;
    return hash & 1u;
}

enum class Half { all, tuning, heldOut };

// Scores the destinations of `file` in `half`; misses are printed only when `showMisses`.
Score score(const std::string& file, Half half, bool showMisses) {
    static const TrackerList trackers(
        AtomicFile::read(Resources::path("trackers.txt")).value_or(""));
    static const OrgTable orgs(AtomicFile::read(Resources::path("orgs.txt")).value_or(""));
    std::string text = AtomicFile::read(std::string(TestPaths::data) + "/" + file).value_or("");
    Score result;
    for (std::string_view line : Text::splitNonEmpty(text, '\n')) {
        if (line.front() == '#') continue;
        std::vector<std::string_view> fields = Text::split(line, '\t');
        EXPECT_EQ(fields.size(), 2u) << line;
        if (fields.size() != 2) continue;
        if (half != Half::all && heldOut(fields[0]) != (half == Half::heldOut)) continue;
        Verdict verdict =
            Classifier::classify("203.0.113.77", std::string(fields[0]), &trackers, &orgs);
        std::string category(Categories::name(verdict.category));
        bool good =
            ("|" + std::string(fields[1]) + "|").find("|" + category + "|") != std::string::npos;
        ++result.total;
        result.acceptable += good;
        result.unknown += verdict.category == Category::unknown;
        if (!good && showMisses) std::cout << "  miss: " << line << " -> " << category << "\n";
    }
    std::cout << "  " << file << ": " << result.acceptable << " of " << result.total
              << " acceptable, " << result.unknown << " unknown\n";
    return result;
}

void expectShares(const Score& s, double minAcceptable, double maxUnknown) {
    EXPECT_GE(s.acceptable / s.total, minAcceptable) << s.acceptable << " of " << s.total;
    EXPECT_LE(s.unknown / s.total, maxUnknown) << s.unknown << " of " << s.total << " unknown";
}

} // namespace

TEST(LinuxDestinations, MostAreNamedAcceptablyAndFewStayUnknown) {
    Score s = score("linux_destinations.txt", Half::all, true);
    EXPECT_GE(s.total, 150);
    expectShares(s, 0.9, 0.1);
}

// The held-out half only ever shows its score, so the tables are never fitted to it; the tuning
// half shows its misses.
TEST(LinuxDestinations, TheHeldOutHalfIsNamedAsWellAsTheHalfTheTablesWereTunedOn) {
    Score tuning = score("held_out_destinations.txt", Half::tuning, true);
    Score held = score("held_out_destinations.txt", Half::heldOut, false);
    EXPECT_GE(tuning.total + held.total, 300);
    expectShares(held, 0.98, 0.02);
}

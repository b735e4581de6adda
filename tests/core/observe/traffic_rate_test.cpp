// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "observe/traffic_rate.h"

using namespace std::chrono_literals;

namespace {

using Sample = RateMeter::Sample;

const Dates::TimePoint start = Dates::TimePoint{} + 1000h;

} // namespace

TEST(RateMeter, CountsGrowthNewAndClosedConnectionsOverTheTimeBetweenScans) {
    RateMeter meter;
    EXPECT_TRUE(meter.update({{"1|a", "Mail", 100, 50}, {"1|b", "Mail", 10, 10}}, start).empty());
    const auto rates = meter.update({{"1|a", "Mail", 600, 150}, // grew by 500 and 100
                                     {"2|c", "Chat", 2000, 0}}, // opened since: all of it
                                    start + 5s);                // 1|b closed: nothing
    EXPECT_EQ(rates, (std::map<std::string, Rate>{{"Chat", {400, 0}}, {"Mail", {100, 20}}}));
}

TEST(RateMeter, CountersThatGoBackAreANewSocketNeverANegativeRate) {
    RateMeter meter;
    meter.update({{"1|a", "Mail", 5000, 5000}}, start);
    EXPECT_EQ(meter.update({{"1|a", "Mail", 300, 7000}}, start + 1s),
              (std::map<std::string, Rate>{{"Mail", {300, 7000}}}));
    // No time passed: no rate rather than a division by zero.
    EXPECT_TRUE(meter.update({{"1|a", "Mail", 900, 9000}}, start + 1s).empty());
    EXPECT_EQ(meter.update({{"1|a", "Mail", 900, 9000}}, start + 3s),
              (std::map<std::string, Rate>{{"Mail", {0, 0}}}));
}

TEST(RateText, SizesASecondInBothLanguages) {
    EXPECT_EQ(RateText::perSecond(-3, Lang::en), "0 B/s");
    EXPECT_EQ(RateText::perSecond(999, Lang::en), "999 B/s");
    EXPECT_EQ(RateText::perSecond(1500, Lang::en), "1.5 kB/s");
    EXPECT_EQ(RateText::perSecond(999960, Lang::en), "1.0 MB/s");
    EXPECT_EQ(RateText::perSecond(2.5e9, Lang::en), "2.5 GB/s");
    EXPECT_EQ(RateText::perSecond(1500, Lang::ru), "1,5 кБ/с");
    EXPECT_EQ(RateText::perSecond(12, Lang::ru), "12 Б/с");
    // Totals in the user's language, whatever the system's locale.
    EXPECT_EQ(RateText::size(3.2e12, Lang::ru), "3,2 ТБ");
    EXPECT_EQ(RateText::size(1e6, Lang::en), "1.0 MB");
}

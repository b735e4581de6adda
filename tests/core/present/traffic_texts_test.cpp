// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "present/traffic_texts.h"

using TrafficSeries::Span;

// A bar told in words and on its axis, in both languages; a bar partly from the journal says so.
TEST(TrafficTexts, TellBarsInBothLanguages) {
    const TrafficSeries::Bar day{"2026-12-08", 3000000, 1200000};
    const TrafficSeries::Bar slot{"10:05", 0, 512, true};
    EXPECT_EQ(TrafficTexts::bar(day, Span::days, Lang::en),
              "Sent 1.2 MB, received 3.0 MB on 2026-12-08");
    EXPECT_EQ(TrafficTexts::bars({{"10:00", 3000000, 1200000}, slot}, Span::hour, Lang::ru),
              "Отправлено 1,2 МБ, получено 3,0 МБ в 10:00; "
              "Отправлено 512 Б, получено 0 Б в 10:05 (частично из журнала)");
    EXPECT_EQ(TrafficTexts::axis(day, Span::days, Lang::en), "Dec 8");
    EXPECT_EQ(TrafficTexts::axis(day, Span::days, Lang::ru), "8 дек");
    EXPECT_EQ(TrafficTexts::axis(slot, Span::hour, Lang::ru), "10:05");
    EXPECT_EQ(TrafficTexts::title({TrafficSeries::Subject::Kind::destination, "example.com"},
                                  Span::days, Lang::en),
              "Traffic with example.com · Last 7 days");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/dates.h"

using namespace std::chrono;

TEST(Dates, FormatsAndParsesWholeSecondsInUtc) {
    sys_seconds time = sys_days(2025y / March / 1) + 9h + 30min + 5s;
    EXPECT_EQ(Dates::iso8601(time), "2025-03-01T09:30:05Z");
    EXPECT_EQ(Dates::parseIso8601("2025-03-01T09:30:05Z"), time);
    EXPECT_EQ(Dates::parseIso8601("2024-02-29T23:59:59Z"), sys_days(2024y / 2 / 29) + 86399s);
    // Before 1970 the fraction of a second is dropped towards the past, not towards zero.
    EXPECT_EQ(Dates::iso8601(sys_days(1969y / 12 / 31) + 86399999ms), "1969-12-31T23:59:59Z");
}

TEST(Dates, RejectsEveryOtherFormAndTimesATimePointCannotHold) {
    for (const char* text :
         {"", "2025-03-01", "2025-03-01T09:30:05", "2025-03-01T09:30:05.000Z",
          "2025-03-01T09:30:05+00:00", "2025-03-01 09:30:05Z", "2025-03-01t09:30:05z",
          "2025-13-01T09:30:05Z", "2025-02-29T09:30:05Z", "2025-03-01T24:00:00Z",
          "2025-03-01T09:60:00Z", "2025-03-01T09:30:60Z", "+025-03-01T09:30:05Z",
          "2025-03-+1T09:30:05Z", "2025-03-01T09:30:0xZ"})
        EXPECT_EQ(Dates::parseIso8601(text), std::nullopt) << text;
    // A time point counts nanoseconds in 64 bits; years beyond that range once overflowed the
    // conversion (undefined behaviour) and gave some unrelated date.
    EXPECT_EQ(Dates::parseIso8601("1677-09-21T00:12:44Z"), sys_days(1677y / 9 / 21) + 764s);
    EXPECT_EQ(Dates::parseIso8601("2262-04-11T23:47:16Z"), sys_days(2262y / 4 / 11) + 85636s);
    for (const char* text : {"1677-09-21T00:12:43Z", "2262-04-11T23:47:17Z", "1012-03-01T09:30:00Z",
                             "4052-03-09T12:00:00Z", "0000-01-01T00:00:00Z"})
        EXPECT_EQ(Dates::parseIso8601(text), std::nullopt) << text;
}

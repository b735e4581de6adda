#include <gtest/gtest.h>

#include "iso_time.h"

using namespace std::chrono;

TEST(IsoTime, FormatsAndParsesWholeSecondsInUtc) {
    sys_seconds time = sys_days(2025y / March / 1) + 9h + 30min + 5s;
    EXPECT_EQ(IsoTime::format(time), "2025-03-01T09:30:05Z");
    EXPECT_EQ(IsoTime::parse("2025-03-01T09:30:05Z"), time);
    EXPECT_EQ(IsoTime::parse("2024-02-29T23:59:59Z"), sys_days(2024y / 2 / 29) + 86399s);
    EXPECT_EQ(IsoTime::format(sys_seconds{}), "1970-01-01T00:00:00Z");
}

TEST(IsoTime, RejectsEveryOtherForm) {
    for (const char* text :
         {"", "2025-03-01", "2025-03-01T09:30:05", "2025-03-01T09:30:05.000Z",
          "2025-03-01T09:30:05+00:00", "2025-03-01 09:30:05Z", "2025-03-01t09:30:05z",
          "2025-13-01T09:30:05Z", "2025-02-29T09:30:05Z", "2025-03-01T24:00:00Z",
          "2025-03-01T09:60:00Z", "2025-03-01T09:30:60Z", "+025-03-01T09:30:05Z",
          "2025-03-+1T09:30:05Z", "2025-03-01T09:30:0xZ"})
        EXPECT_EQ(IsoTime::parse(text), std::nullopt) << text;
}

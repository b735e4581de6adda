// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Date-times as stored in data files and calendar days as the user sees them.
namespace Dates {

using TimePoint = std::chrono::system_clock::time_point;
// The current time; tests give fixed ones.
using Clock = std::function<TimePoint()>;

// Internet date-time in UTC without fractional seconds, e.g. 2026-03-09T14:05:31Z; fractions
// are cut off.
std::string iso8601(TimePoint time);
// Exactly the form `iso8601` writes; anything else is absent.
std::optional<TimePoint> parseIso8601(std::string_view text);

// The local calendar day of `time` moved by `offsetDays` days, as "yyyy-MM-dd" (Gregorian,
// ASCII digits, the process's current time zone as set by TZ).
std::string localDay(TimePoint time, int offsetDays = 0);
// True for "yyyy-MM-dd" naming a real calendar day.
bool isDay(std::string_view text);

// The local wall-clock hour (0 to 23) and minute of a time.
struct LocalClock {
    int hour = 0;
    int minute = 0;

    bool operator==(const LocalClock&) const = default;
};
LocalClock localClock(TimePoint time);

// The time the system has counted since it started, sleep included. Setting the wall clock does
// not move it, so it tells a jump of the wall clock from time that passed.
struct Uptime {
    // Names that start of the system; empty when unknown. Readings of different starts do not
    // compare.
    std::string boot;
    std::chrono::nanoseconds counted{0};

    bool operator==(const Uptime&) const = default;
};
// This system's reading; the file `bootIdPath` (none when empty) names its start.
Uptime uptime(const std::string& bootIdPath);

} // namespace Dates

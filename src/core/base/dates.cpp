// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/dates.h"

#include <cstdio>
#include <ctime>

#include "base/atomic_file.h"
#include "base/text.h"

namespace Dates {

namespace {

using namespace std::chrono;

std::string dayText(const year_month_day& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

// A run of exactly `width` ASCII digits at `at`, as a number.
std::optional<int> digits(std::string_view text, size_t at, size_t width) {
    if (at + width > text.size()) return std::nullopt;
    std::string_view part = text.substr(at, width);
    if (part.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    return Text::parseDecimal<int>(part);
}

std::optional<year_month_day> parseDay(std::string_view text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    auto y = digits(text, 0, 4), m = digits(text, 5, 2), d = digits(text, 8, 2);
    if (!y || !m || !d) return std::nullopt;
    year_month_day date{year{*y}, month{static_cast<unsigned>(*m)}, day{static_cast<unsigned>(*d)}};
    if (!date.ok()) return std::nullopt;
    return date;
}

} // namespace

std::string iso8601(TimePoint time) {
    auto seconds = floor<std::chrono::seconds>(time);
    auto date = floor<days>(seconds);
    hh_mm_ss clock{seconds - date};
    char text[16];
    std::snprintf(text, sizeof text, "T%02d:%02d:%02dZ", static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return dayText(year_month_day{date}) + text;
}

std::optional<TimePoint> parseIso8601(std::string_view text) {
    if (text.size() != 20 || text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
        text[19] != 'Z')
        return std::nullopt;
    auto date = parseDay(text.substr(0, 10));
    auto h = digits(text, 11, 2), m = digits(text, 14, 2), s = digits(text, 17, 2);
    if (!date || !h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
    // A TimePoint counts nanoseconds in 64 bits, from about 1677 to 2262; converting a time
    // outside that would overflow.
    static constexpr auto earliest = ceil<seconds>(TimePoint::min());
    static constexpr auto latest = floor<seconds>(TimePoint::max());
    sys_seconds time = sys_days{*date} + hours{*h} + minutes{*m} + seconds{*s};
    if (time < earliest || time > latest) return std::nullopt;
    return time;
}

std::string localDay(TimePoint time, int offsetDays) {
    std::time_t whole = system_clock::to_time_t(floor<seconds>(time));
    std::tm local{};
    localtime_r(&whole, &local);
    year_month_day date{year{local.tm_year + 1900}, month{static_cast<unsigned>(local.tm_mon + 1)},
                        day{static_cast<unsigned>(local.tm_mday)}};
    return dayText(year_month_day{sys_days{date} + days{offsetDays}});
}

LocalClock localClock(TimePoint time) {
    std::time_t whole = system_clock::to_time_t(floor<seconds>(time));
    std::tm local{};
    localtime_r(&whole, &local);
    return {local.tm_hour, local.tm_min};
}

bool isDay(std::string_view text) {
    return text.size() == 10 && parseDay(text).has_value();
}

Uptime uptime(const std::string& bootIdPath) {
    // The clock that counts sleep: CLOCK_BOOTTIME where it exists; elsewhere (macOS) the
    // monotonic clock does.
#ifdef CLOCK_BOOTTIME
    constexpr clockid_t counting = CLOCK_BOOTTIME;
#else
    constexpr clockid_t counting = CLOCK_MONOTONIC;
#endif
    timespec now{};
    clock_gettime(counting, &now);
    Uptime reading{"", seconds{now.tv_sec} + nanoseconds{now.tv_nsec}};
    if (!bootIdPath.empty())
        if (Result<std::string> boot = AtomicFile::read(bootIdPath))
            reading.boot = std::string(Text::trimmed(*boot));
    return reading;
}

} // namespace Dates

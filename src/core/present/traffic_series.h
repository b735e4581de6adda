// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/dates.h"
#include "store/journal.h"
#include "store/traffic_history.h"

// The bars of a traffic chart: what one program, or everything that reached one destination,
// sent and received in each of the last days or in each slot of the last hour. No traffic is a
// bar of zeros.
namespace TrafficSeries {

struct Subject {
    enum class Kind { program, destination };
    Kind kind = Kind::program;
    // The program's name, or the destination as shown.
    std::string name;

    bool operator==(const Subject&) const = default;
};

struct Bar {
    // The local day "yyyy-MM-dd" of a day's bar; the local start "HH:MM" of a slot's.
    std::string when;
    int64_t in = 0;
    int64_t out = 0;
    // Some of it is the journal's hour spread over the slots, from before this run of the
    // program began.
    bool fromJournal = false;

    bool operator==(const Bar&) const = default;
};

// The chart's two spans: the last hour, the last days.
enum class Span { hour, days };

inline constexpr int dayBars = 7;
inline constexpr int hourBars = 12;

// One bar a local day, the `dayBars` days up to the day of `now`, oldest first.
std::vector<Bar> lastDays(const Journal::Entries& entries, const Subject& subject,
                          Dates::TimePoint now);
// One bar a slot of the history, the `hourBars` slots up to the one of `now`, oldest first. The
// stretch of a slot before the history began takes its share of what the journal's hour holds
// beyond what the history has of that hour.
std::vector<Bar> lastHour(const TrafficHistory& history, const Journal::Entries& entries,
                          const Subject& subject, Dates::TimePoint now);
// The bars of `span`.
std::vector<Bar> of(Span span, const TrafficHistory& history, const Journal::Entries& entries,
                    const Subject& subject, Dates::TimePoint now);

} // namespace TrafficSeries

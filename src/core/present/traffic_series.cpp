// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/traffic_series.h"

#include <algorithm>
#include <cstdio>

#include "base/byte_count.h"

namespace TrafficSeries {

namespace {

using Bytes = TrafficHistory::Bytes;
using std::chrono::seconds;

bool concerns(const Subject& subject, const std::string& app, const std::string& dest) {
    return (subject.kind == Subject::Kind::program ? app : dest) == subject.name;
}

template <typename Sum> void add(Sum& sum, int64_t in, int64_t out) {
    sum.in = ByteCount::plus(sum.in, in);
    sum.out = ByteCount::plus(sum.out, out);
}

std::string clockText(Dates::TimePoint time) {
    const Dates::LocalClock clock = Dates::localClock(time);
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", clock.hour, clock.minute);
    return text;
}

// What the journal holds of the subject in the local hour `hour` of `day`.
Bytes journalHour(const Journal::Entries& entries, const Subject& subject, const std::string& day,
                  int hour) {
    Bytes sum;
    for (const auto& [id, entry] : entries)
        if (entry.day == day && concerns(subject, entry.app, entry.dest))
            for (const JournalEntry::Hour& each : entry.hours)
                if (each.hour == hour) add(sum, each.in, each.out);
    return sum;
}

// What the history holds of the subject in the slots from `from` until `to`.
Bytes historyBetween(const TrafficHistory& history, const Subject& subject, Dates::TimePoint from,
                     Dates::TimePoint to) {
    Bytes sum;
    for (const auto& [key, bytes] : history.bySlot()) {
        const auto& [start, app, dest] = key;
        if (start >= from && start < to && concerns(subject, app, dest))
            add(sum, bytes.in, bytes.out);
    }
    return sum;
}

// The share of `amount` that `piece` seconds of `whole` seconds (both at least 1) take, without
// overflow.
int64_t share(int64_t amount, int64_t piece, int64_t whole) {
    return amount / whole * piece + amount % whole * piece / whole;
}

// What the journal holds of the subject in the local hour `hour` that begins at `hourStart`
// beyond what the history holds of it: what came before the history began.
Bytes beforeHistory(const TrafficHistory& history, const Journal::Entries& entries,
                    const Subject& subject, Dates::TimePoint hourStart, int hour) {
    const Bytes journal = journalHour(entries, subject, Dates::localDay(hourStart), hour);
    const Bytes seen =
        historyBetween(history, subject, hourStart, hourStart + std::chrono::hours(1));
    return {std::max<int64_t>(journal.in - seen.in, 0),
            std::max<int64_t>(journal.out - seen.out, 0)};
}

// Spreads what the journal's hours hold beyond the history over the slots from `first` (the
// start of `bars[0]`) that began before the history, evenly over the stretch of each hour before
// it.
void spreadJournal(std::vector<Bar>& bars, Dates::TimePoint first, const TrafficHistory& history,
                   const Journal::Entries& entries, const Subject& subject) {
    const Dates::TimePoint since = history.since();
    size_t i = 0;
    auto startOf = [&](size_t index) {
        return first + TrafficHistory::slot * static_cast<int64_t>(index);
    };
    while (i < bars.size() && startOf(i) < since) {
        const Dates::LocalClock clock = Dates::localClock(startOf(i));
        const Dates::TimePoint hourStart = startOf(i) - std::chrono::minutes(clock.minute);
        const Bytes before = beforeHistory(history, entries, subject, hourStart, clock.hour);
        // The stretch of the hour before the history began.
        const Dates::TimePoint until = std::min(since, hourStart + std::chrono::hours(1));
        const int64_t whole = std::chrono::ceil<seconds>(until - hourStart).count();
        for (; i < bars.size() && startOf(i) < until; ++i) {
            const Dates::TimePoint end = std::min(startOf(i) + TrafficHistory::slot, until);
            const int64_t piece =
                std::min(std::chrono::ceil<seconds>(end - startOf(i)).count(), whole);
            add(bars[i], share(before.in, piece, whole), share(before.out, piece, whole));
            bars[i].fromJournal = bars[i].fromJournal || before.in > 0 || before.out > 0;
        }
    }
}

} // namespace

std::vector<Bar> lastDays(const Journal::Entries& entries, const Subject& subject,
                          Dates::TimePoint now) {
    std::vector<Bar> bars;
    for (int back = dayBars - 1; back >= 0; --back)
        bars.push_back({Dates::localDay(now, -back)});
    for (const auto& item : entries) {
        // Not a structured binding: clang 14 cannot capture one in the lambda below.
        const JournalEntry& entry = item.second;
        if (!concerns(subject, entry.app, entry.dest)) continue;
        auto bar = std::find_if(bars.begin(), bars.end(),
                                [&](const Bar& each) { return each.when == entry.day; });
        if (bar != bars.end()) add(*bar, entry.bytesIn, entry.bytesOut);
    }
    return bars;
}

std::vector<Bar> lastHour(const TrafficHistory& history, const Journal::Entries& entries,
                          const Subject& subject, Dates::TimePoint now) {
    const Dates::TimePoint end = TrafficHistory::slotOf(now) + TrafficHistory::slot;
    const Dates::TimePoint first = end - TrafficHistory::slot * hourBars;
    std::vector<Bar> bars;
    for (int i = 0; i < hourBars; ++i)
        bars.push_back({clockText(first + TrafficHistory::slot * i)});
    for (const auto& [key, bytes] : history.bySlot()) {
        const auto& [start, app, dest] = key;
        if (start >= first && start < end && concerns(subject, app, dest))
            add(bars[static_cast<size_t>((start - first) / TrafficHistory::slot)], bytes.in,
                bytes.out);
    }
    spreadJournal(bars, first, history, entries, subject);
    return bars;
}

std::vector<Bar> of(Span span, const TrafficHistory& history, const Journal::Entries& entries,
                    const Subject& subject, Dates::TimePoint now) {
    return span == Span::hour ? lastHour(history, entries, subject, now)
                              : lastDays(entries, subject, now);
}

} // namespace TrafficSeries

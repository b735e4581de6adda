// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "base/dates.h"

// The bytes each program moved to each destination in the last hour, in five-minute slots of
// the clock, in memory only.
class TrafficHistory {
  public:
    using Slot = std::chrono::duration<int64_t, std::ratio<300>>;
    static constexpr Slot slot{1};
    static constexpr auto span = std::chrono::hours(1);

    // Slot start, program, destination.
    using Key = std::tuple<Dates::TimePoint, std::string, std::string>;
    struct Bytes {
        int64_t in = 0;
        int64_t out = 0;

        bool operator==(const Bytes&) const = default;
    };

    // Nothing before `since` is known.
    explicit TrafficHistory(Dates::TimePoint since) : since_(since) {}

    // Adds what `app` moved to `dest` at `at`, and lets go of the slots older than the span.
    // A time more than a slot before the newest one added means the clock was set back: what
    // came before is forgotten and the history starts anew at `at`.
    void add(const std::string& app, const std::string& dest, int64_t in, int64_t out,
             Dates::TimePoint at);

    // The start of the slot of `time`.
    static Dates::TimePoint slotOf(Dates::TimePoint time) { return std::chrono::floor<Slot>(time); }

    Dates::TimePoint since() const { return since_; }
    const std::map<Key, Bytes>& bySlot() const { return bySlot_; }

  private:
    Dates::TimePoint since_;
    Dates::TimePoint newest_ = since_;
    std::map<Key, Bytes> bySlot_;
};

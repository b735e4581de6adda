// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/dates.h"

// The bytes each connection moved since it was last seen, from the cumulative counters its
// socket reports. A connection seen for the first time counts its whole counters; a counter that
// went down belongs to a new socket under the same id and counts its whole value too.
class CounterDeltas {
  public:
    struct Delta {
        int64_t in = 0;
        int64_t out = 0;

        bool operator==(const Delta&) const = default;
    };

    // What the connection `id` moved since its last counters, which `in` and `out` replace.
    Delta take(const std::string& id, int64_t in, int64_t out, Dates::TimePoint at);
    // Forgets the connections not seen within `idle` of `now`, either way (the clock may have
    // been set back).
    void forgetIdle(Dates::TimePoint now, Dates::TimePoint::duration idle);
    size_t size() const { return last_.size(); }

  private:
    struct Seen {
        int64_t in = 0;
        int64_t out = 0;
        Dates::TimePoint at;
    };
    std::unordered_map<std::string, Seen> last_;
};

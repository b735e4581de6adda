// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/dates.h"
#include "base/lang.h"

// Bytes a second a program received and sent between two scans.
struct Rate {
    double in = 0;
    double out = 0;

    bool operator==(const Rate&) const = default;
};

// The live rate of each program, from the byte counters of successive scans.
class RateMeter {
  public:
    // The counters of one connection (or socket) in one scan.
    struct Sample {
        // Stays the same from scan to scan while the connection lives.
        std::string id;
        std::string program;
        int64_t bytesIn = 0;
        int64_t bytesOut = 0;
    };

    // The rate of every program of `samples` since the previous call, which `samples` then
    // replace; empty the first time and when no time has passed. A connection seen both times
    // counts what its counters grew by; a new one counts all its bytes, moved since it opened
    // after the previous scan, as does one whose counters went back (a new socket under the same
    // id); one that closed in between counts nothing. No rate is ever negative.
    std::map<std::string, Rate> update(const std::vector<Sample>& samples, Dates::TimePoint at);

  private:
    struct Counters {
        int64_t in = 0;
        int64_t out = 0;
    };
    std::map<std::string, Counters> previous_;
    std::optional<Dates::TimePoint> previousAt_;
};

namespace RateText {

// A size in the platform's size style (SI units, one decimal from 1 kB on), in the user's
// language whatever the system's: "1.5 kB", in Russian "1,5 кБ".
std::string size(double bytes, Lang lang);
// A size a second in the same style (SI units, one decimal from 1 kB on), e.g.
// "1.5 kB/s", in Russian "1,5 кБ/с".
std::string perSecond(double bytes, Lang lang);
// Both directions, received first: "↓ 1.5 kB/s ↑ 200 B/s".
std::string both(const Rate& rate, Lang lang);

} // namespace RateText

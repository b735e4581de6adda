// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/counter_deltas.h"

#include <algorithm>

namespace {

int64_t since(int64_t before, int64_t now) {
    now = std::max<int64_t>(now, 0);
    return now >= before ? now - before : now;
}

} // namespace

CounterDeltas::Delta CounterDeltas::take(const std::string& id, int64_t in, int64_t out,
                                         Dates::TimePoint at) {
    Seen& seen = last_[id];
    const Delta delta{since(seen.in, in), since(seen.out, out)};
    seen = {std::max<int64_t>(in, 0), std::max<int64_t>(out, 0), at};
    return delta;
}

void CounterDeltas::forgetIdle(Dates::TimePoint now, Dates::TimePoint::duration idle) {
    std::erase_if(last_,
                  [&](const auto& item) { return std::chrono::abs(now - item.second.at) > idle; });
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/traffic_history.h"

#include "base/byte_count.h"

void TrafficHistory::add(const std::string& app, const std::string& dest, int64_t in, int64_t out,
                         Dates::TimePoint at) {
    if (at < newest_ - slot) {
        bySlot_.clear();
        since_ = at;
    }
    if (at > newest_ || bySlot_.empty()) {
        newest_ = at;
        const Dates::TimePoint oldest = slotOf(at) - span;
        std::erase_if(bySlot_, [&](const auto& item) { return std::get<0>(item.first) <= oldest; });
    }
    if (in <= 0 && out <= 0) return;
    Bytes& bytes = bySlot_[{slotOf(at), app, dest}];
    bytes.in = ByteCount::plus(bytes.in, in);
    bytes.out = ByteCount::plus(bytes.out, out);
}

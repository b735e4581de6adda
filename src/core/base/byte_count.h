// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <limits>

// Sums of byte counts that come from outside: a negative amount (a damaged file) counts as none,
// and a sum stops at the largest count rather than overflowing.
namespace ByteCount {

inline int64_t plus(int64_t sum, int64_t amount) {
    if (amount <= 0) return sum;
    return sum > std::numeric_limits<int64_t>::max() - amount ? std::numeric_limits<int64_t>::max()
                                                              : sum + amount;
}

} // namespace ByteCount

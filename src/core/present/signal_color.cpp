// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/signal_color.h"

namespace SignalColors {

SignalColor of(Category category) {
    switch (category) {
    case Category::unknown:
        return SignalColor::gray;
    case Category::telemetry:
        return SignalColor::yellow;
    case Category::social:
    case Category::analytics:
    case Category::tracker:
        return SignalColor::orange;
    case Category::ads:
        return SignalColor::red;
    default:
        return SignalColor::green;
    }
}

SignalColor state(bool paused, bool adsNow, int64_t trackingNow) {
    if (paused) return SignalColor::gray;
    if (adsNow) return SignalColor::red;
    return trackingNow >= 1 ? SignalColor::yellow : SignalColor::green;
}

} // namespace SignalColors

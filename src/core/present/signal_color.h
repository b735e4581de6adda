// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "classify/category.h"

// The signal colours of the state dot and of the menu's category dots; the toolkit picks the
// shades, which follow the light or dark appearance.
enum class SignalColor { green, gray, yellow, orange, red };

namespace SignalColors {

// Green for the harmless, gray for the unknown, yellow for telemetry, orange for social,
// analytics and trackers, red for ads.
SignalColor of(Category category);

// The state dot: gray when paused, else red with an ads connection, yellow with any tracker
// connection, green otherwise.
SignalColor state(bool paused, bool adsNow, int64_t trackingNow);

} // namespace SignalColors

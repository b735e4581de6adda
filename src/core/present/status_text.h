// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/lang.h"

// The one-line texts about the program's state: the status line and the helper summary.
namespace StatusText {

// "Paused", else the number of tracker connections and of programs online.
std::string statusLine(bool paused, size_t programsOnline, int64_t trackingNow, Lang lang);

// The address and domain counts of the helper's `key=value` status line, copied as text (a
// missing key counts as "0"), and how the domains are blocked when the line says (`dns=`).
std::string shortStatus(std::string_view helperStatus, Lang lang);

} // namespace StatusText

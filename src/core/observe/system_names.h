// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/lang.h"

// Friendly bilingual names of well-known system daemons.
namespace SystemNames {

// The friendly name of a process, by exact name, in `lang`; absent for unknown processes.
std::optional<std::string> friendly(std::string_view processName, Lang lang);

} // namespace SystemNames

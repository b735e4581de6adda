#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/lang.h"

// Friendly bilingual names of well-known system daemons.
namespace SystemNames {

// Language of the names returned; starts as the system language. Safe to set from any thread.
Lang lang();
void setLang(Lang lang);

// The friendly name of a process, by exact name, in `lang()`; absent for unknown processes.
std::optional<std::string> friendly(std::string_view processName);

} // namespace SystemNames

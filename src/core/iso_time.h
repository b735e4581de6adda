#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// Instants as ISO 8601 text in UTC with whole seconds, e.g. "2025-03-01T09:30:00Z".
namespace IsoTime {

std::string format(std::chrono::sys_seconds time);
// Exactly the form `format` writes, with a real calendar day and time of day; nothing else.
std::optional<std::chrono::sys_seconds> parse(std::string_view text);

} // namespace IsoTime

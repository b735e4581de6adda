// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Key files in the manner of systemd units and desktop entries: "[Section]" lines, "Key=Value"
// lines, "#" and ";" comments.
namespace IniText {

// The value of the first `key` in `section`, without blanks around it; absent when there is
// none. Keys are compared exactly ("Name[ru]" is a key of its own).
std::optional<std::string> value(std::string_view text, std::string_view section,
                                 std::string_view key);

} // namespace IniText

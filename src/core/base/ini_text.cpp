// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/ini_text.h"

#include "base/text.h"

namespace IniText {

std::optional<std::string> value(std::string_view text, std::string_view section,
                                 std::string_view key) {
    bool inSection = false;
    for (std::string_view line : Text::lines(text)) {
        line = Text::trimmed(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[') {
            inSection = line.size() == section.size() + 2 && line.back() == ']' &&
                        line.substr(1, section.size()) == section;
            continue;
        }
        size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) continue;
        if (Text::trimmed(line.substr(0, equals)) == key)
            return std::string(Text::trimmed(line.substr(equals + 1)));
    }
    return std::nullopt;
}

} // namespace IniText

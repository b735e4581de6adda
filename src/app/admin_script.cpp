// SPDX-License-Identifier: GPL-3.0-or-later
#include "admin_script.h"

#include <algorithm>
#include <string_view>

namespace AdminScript {

namespace {

bool holdsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

// A single quote cannot stand inside single quotes: the quoting closes, an escaped quote
// follows, and the quoting opens again.
std::string shellWord(std::string_view word) {
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string shellCommand(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words)
        line += (line.empty() ? "" : " ") + shellWord(word);
    return line;
}

// Only the quote and the backslash are special inside an AppleScript string; line breaks are
// escaped too, so the script stays on one line.
std::string appleScriptString(std::string_view text) {
    std::string literal = "\"";
    for (char c : text) {
        if (c == '\n')
            literal += "\\n";
        else if (c == '\r')
            literal += "\\r";
        else
            literal += c == '"' || c == '\\' ? std::string{'\\', c} : std::string(1, c);
    }
    return literal + "\"";
}

} // namespace

std::optional<std::string> source(const std::vector<std::string>& words,
                                  const std::string& prompt) {
    if (holdsNul(prompt) || std::any_of(words.begin(), words.end(), holdsNul)) return std::nullopt;
    return "do shell script " + appleScriptString(shellCommand(words)) +
           " with administrator privileges with prompt " + appleScriptString(prompt);
}

} // namespace AdminScript

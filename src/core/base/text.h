// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text helpers shared by the parsers and address tests.
namespace Text {

// A decimal integer: optional "+" or "-", one or more ASCII digits, nothing else, fitting T.
template <typename T> std::optional<T> parseDecimal(std::string_view s) {
    std::string_view digits = s;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    T value{};
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return value;
}

// A hexadecimal integer: one or more ASCII hexadecimal digits, no sign or prefix, fitting T.
template <typename T> std::optional<T> parseHex(std::string_view s) {
    T value{};
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    if (s.empty() || error != std::errc{} || end != s.data() + s.size() || s.front() == '-')
        return std::nullopt;
    return value;
}

// Splits at every line break (LF, CR, CRLF, VT, FF, U+0085, U+2028, U+2029); drops empty lines.
std::vector<std::string_view> lines(std::string_view text);

// Splits at every occurrence of `separator`, keeping empty pieces.
std::vector<std::string_view> split(std::string_view text, char separator);

// Splits at `separator`, dropping empty pieces.
std::vector<std::string_view> splitNonEmpty(std::string_view text, char separator);

// Splits at blanks and tabs, dropping empty pieces.
std::vector<std::string_view> words(std::string_view text);

// Without the ASCII white space and line breaks at both ends.
std::string_view trimmed(std::string_view text);

// ASCII lower case; other bytes unchanged.
std::string toLower(std::string_view text);

// True when `text` holds a control character (below 0x20, or 0x7f).
bool hasControl(std::string_view text);

// `text` fit for a terminal: control characters and the bidirectional override and isolate
// characters (U+202A-U+202E, U+2066-U+2069) as \xNN for each of their bytes, so a name read from
// elsewhere can neither forge a line, drive the terminal nor reorder what follows it.
std::string escapedForTerminal(std::string_view text);

} // namespace Text

// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/text.h"

#include <algorithm>

namespace Text {

namespace {

// Length of the line break starting at text[i], or 0 when there is none.
size_t breakLength(std::string_view text, size_t i) {
    auto at = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0; };
    switch (at(i)) {
    case '\n':
    case '\v':
    case '\f':
        return 1;
    case '\r':
        return at(i + 1) == '\n' ? 2 : 1;
    case 0xC2:
        return at(i + 1) == 0x85 ? 2 : 0;
    case 0xE2:
        return at(i + 1) == 0x80 && (at(i + 2) == 0xA8 || at(i + 2) == 0xA9) ? 3 : 0;
    default:
        return 0;
    }
}

bool isControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

// Length of the bidirectional override or isolate character starting at text[i], or 0.
size_t bidiLength(std::string_view text, size_t i) {
    if (text.size() - i < 3 || static_cast<unsigned char>(text[i]) != 0xE2) return 0;
    auto second = static_cast<unsigned char>(text[i + 1]);
    auto third = static_cast<unsigned char>(text[i + 2]);
    bool embedding = second == 0x80 && third >= 0xAA && third <= 0xAE;
    bool isolate = second == 0x81 && third >= 0xA6 && third <= 0xA9;
    return embedding || isolate ? 3 : 0;
}

void appendHex(std::string& out, char c) {
    constexpr std::string_view digits = "0123456789abcdef";
    auto u = static_cast<unsigned char>(c);
    out.append("\\x").append(1, digits[u >> 4]).append(1, digits[u & 0xF]);
}

bool mayStartBreak(char c) {
    auto u = static_cast<unsigned char>(c);
    return u == '\n' || u == '\r' || u == '\v' || u == '\f' || u == 0xC2 || u == 0xE2;
}

} // namespace

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    size_t start = 0;
    for (size_t i = 0; i < text.size();) {
        size_t length = mayStartBreak(text[i]) ? breakLength(text, i) : 0;
        if (length == 0) {
            ++i;
            continue;
        }
        if (i > start) result.push_back(text.substr(start, i - start));
        i += length;
        start = i;
    }
    if (start < text.size()) result.push_back(text.substr(start));
    return result;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t i = text.find(separator); i != std::string_view::npos;
         i = text.find(separator, start)) {
        pieces.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::vector<std::string_view> splitNonEmpty(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (std::string_view piece : split(text, separator))
        if (!piece.empty()) pieces.push_back(piece);
    return pieces;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start) result.push_back(text.substr(start, i - start));
    }
    return result;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\n\r\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string toLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool hasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), isControl);
}

std::string escapedForTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = isControl(text[i]) ? 1 : bidiLength(text, i);
        if (length == 0) {
            out += text[i++];
            continue;
        }
        for (size_t end = i + length; i < end; ++i)
            appendHex(out, text[i]);
    }
    return out;
}

} // namespace Text

// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/window_rows.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "base/utf8.h"

namespace WindowRows {

namespace {

// Decodes UTF-8 into code points; invalid sequences become U+FFFD.
std::u32string codePoints(std::string_view bytes) {
    const std::string text = Utf8::decodeLossy(bytes);
    std::u32string points;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t point = length == 1   ? lead
                         : length == 2 ? lead & 0x1F
                         : length == 3 ? lead & 0x0F
                                       : lead & 0x07;
        for (size_t k = 1; k < length && i + k < text.size(); ++k)
            point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        points.push_back(point);
        i += length;
    }
    return points;
}

// The lower-case form of the letters of the Latin, Greek and Cyrillic blocks.
char32_t folded(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    // Latin Extended-A pairs upper and lower case as even and odd neighbours, mostly.
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x178 && c != 0x17F) {
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddUpper ? c % 2 == 1 : c % 2 == 0) return c + 1;
    }
    // Cyrillic pairs from U+0460 to U+04FF are even (upper) and odd (lower), apart from a few.
    if (c >= 0x460 && c <= 0x4FF && c != 0x482 && !(c >= 0x483 && c <= 0x489) && c % 2 == 0 &&
        !(c >= 0x4C0 && c <= 0x4CF))
        return c + 1;
    return c;
}

std::u32string foldedText(std::string_view bytes) {
    std::u32string points = codePoints(bytes);
    std::transform(points.begin(), points.end(), points.begin(), folded);
    return points;
}

} // namespace

const AppRow* current(const std::vector<AppRow>& apps, const std::optional<std::string>& selected) {
    if (apps.empty()) return nullptr;
    if (selected)
        for (const AppRow& row : apps)
            if (row.name == *selected) return &row;
    return &apps.front();
}

const std::optional<std::string>& executableOf(const AppRow& row) {
    static const std::optional<std::string> none;
    return row.conns.empty() ? none : row.conns.front().app.exePath;
}

std::vector<Connection> uniqueDestinations(const std::vector<Connection>& connections) {
    std::vector<Connection> unique;
    std::set<std::string> seen;
    for (const Connection& connection : connections)
        if (seen.insert(connection.dest()).second) unique.push_back(connection);
    return unique;
}

std::vector<Rule> newestFirst(const std::vector<Rule>& rules) {
    std::vector<Rule> sorted = rules;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Rule& a, const Rule& b) { return a.created > b.created; });
    return sorted;
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    return foldedText(haystack).find(foldedText(needle)) != std::u32string::npos;
}

std::vector<JournalEntry> journal(const std::vector<JournalEntry>& entries,
                                  const JournalFilter& filter) {
    std::optional<std::string> day;
    if (filter.period != JournalPeriod::week)
        day = Dates::localDay(filter.now, filter.period == JournalPeriod::yesterday ? -1 : 0);
    std::vector<JournalEntry> kept;
    for (const JournalEntry& entry : entries) {
        if (filter.onlyTracking && !Categories::isTracking(entry.category)) continue;
        if (day && entry.day != *day) continue;
        if (!containsIgnoringCase(entry.app, filter.text) &&
            !containsIgnoringCase(entry.dest, filter.text))
            continue;
        kept.push_back(entry);
    }
    return kept;
}

SignalColor badgeText(Category category) {
    const SignalColor badge = SignalColors::of(category);
    return badge == SignalColor::yellow ? SignalColor::orange : badge;
}

std::optional<size_t> intervalIndex(double interval) {
    for (size_t i = 0; i < intervals.size(); ++i)
        if (intervals[i] == interval) return i;
    return std::nullopt;
}

std::optional<size_t> languageIndex(std::string_view language) {
    for (size_t i = 0; i < languages.size(); ++i)
        if (languages[i] == language) return i;
    return std::nullopt;
}

} // namespace WindowRows

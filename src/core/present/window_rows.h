// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "classify/category.h"
#include "observe/connection.h"
#include "present/app_row.h"
#include "present/signal_color.h"
#include "store/journal_entry.h"
#include "store/rule.h"

// What the window's tabs show, derived from the Model's state.
namespace WindowRows {

// The program shown in detail: the row named `selected`, else the first row; null without rows.
const AppRow* current(const std::vector<AppRow>& apps, const std::optional<std::string>& selected);

// The executable of a program's row: that of its first connection, if any.
const std::optional<std::string>& executableOf(const AppRow& row);

// The first connection of each destination, in the given order.
std::vector<Connection> uniqueDestinations(const std::vector<Connection>& connections);

// Newest rule first; rules set at the same time keep their order.
std::vector<Rule> newestFirst(const std::vector<Rule>& rules);

// Whether `needle` occurs in `haystack`, ignoring case in Latin, Greek and Cyrillic letters.
// Both are UTF-8; an empty needle occurs everywhere.
bool containsIgnoringCase(std::string_view haystack, std::string_view needle);

// The spans of days the Journal tab can be narrowed to, in the order offered.
enum class JournalPeriod { week, today, yesterday };
inline constexpr std::array<JournalPeriod, 3> journalPeriods{
    JournalPeriod::week, JournalPeriod::today, JournalPeriod::yesterday};

// What the journal is narrowed to: entries whose program or destination contains `filter`
// (ignoring case), with `onlyTracking` only those of a tracking category, and only those of the
// local days of `period` as of `now`.
struct JournalFilter {
    std::string_view text;
    bool onlyTracking = false;
    JournalPeriod period = JournalPeriod::week;
    Dates::TimePoint now{};
};

// The entries `filter` keeps, in the given order.
std::vector<JournalEntry> journal(const std::vector<JournalEntry>& entries,
                                  const JournalFilter& filter);

// A category pill's colour and its text's: the signal colour, with orange text on yellow.
SignalColor badgeText(Category category);

// The scan periods offered, in seconds.
inline constexpr std::array<double, 4> intervals{3, 5, 15, 60};
// The language settings offered: the system's, English, Russian.
inline constexpr std::array<std::string_view, 3> languages{"auto", "en", "ru"};

// The index of `interval` among `intervals`, or absent.
std::optional<size_t> intervalIndex(double interval);
// The index of `language` among `languages`, or absent for any other value.
std::optional<size_t> languageIndex(std::string_view language);

} // namespace WindowRows

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "base/dates.h"
#include "classify/category.h"

// The observations of one program and destination on one local calendar day, merged.
struct JournalEntry {
    // "yyyy-MM-dd", local time.
    std::string day;
    std::string app;
    std::string dest;
    // Address, port, category and company of the first observation.
    std::string ip;
    int64_t port = 0;
    Category category = Category::unknown;
    std::optional<std::string> company;
    Dates::TimePoint first;
    Dates::TimePoint last;
    // The largest counts seen that day.
    int64_t bytesIn = 0;
    int64_t bytesOut = 0;
    // Whether any observation of the day was blocked.
    bool blocked = false;
    // The rule that blocked it last: its target, and the program it is for (absent: every
    // program). Absent when no rule of the user's blocked it.
    std::optional<std::string> ruleTarget{};
    std::optional<std::string> ruleProgram{};
    // Every observation was a connection `dest` made to the program (written only when true).
    bool incoming = false;

    // day|app|dest: at most one entry per day, program and destination.
    std::string id() const { return day + "|" + app + "|" + dest; }

    bool operator==(const JournalEntry&) const = default;
};

// Appends the entry as one compact JSON object: dates as ISO 8601 UTC whole seconds, "company"
// left out when absent, invalid UTF-8 replaced. Written directly, as day files are large.
void appendJson(std::string& out, const JournalEntry& entry);

// The object `appendJson` writes. Decoding requires every key but "company" with its exact
// type, a real calendar day and date-times in the written form.
void to_json(nlohmann::json& json, const JournalEntry& entry);
void from_json(const nlohmann::json& json, JournalEntry& entry);

template <> struct std::hash<JournalEntry> { size_t operator()(const JournalEntry& entry) const; };

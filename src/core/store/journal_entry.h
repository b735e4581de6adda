// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "base/dates.h"
#include "classify/category.h"

// The observations of one program and destination on one local calendar day, merged.
struct JournalEntry {
    // The bytes of one local clock hour (0 to 23) of the day.
    struct Hour {
        int hour = 0;
        int64_t in = 0;
        int64_t out = 0;

        bool operator==(const Hour&) const = default;
    };

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
    // The day's totals: the sums of `hours`, plus, for an entry first written before hours were
    // kept, the largest counts it saw.
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
    // The hours that saw traffic, by hour; empty in entries written before hours were kept.
    std::vector<Hour> hours{};

    // Adds bytes to the hour (0 to 23) and to the totals; negative amounts count as none, sums
    // stop at the largest count.
    void add(int hour, int64_t in, int64_t out);
    // Adds the bytes of `other`, an entry of the same day, hour by hour.
    void add(const JournalEntry& other);

    // day|app|dest: at most one entry per day, program and destination.
    std::string id() const { return day + "|" + app + "|" + dest; }

    bool operator==(const JournalEntry&) const = default;
};

// Appends the entry as one compact JSON object: dates as ISO 8601 UTC whole seconds, "company"
// left out when absent, invalid UTF-8 replaced. Written directly, as day files are large.
void appendJson(std::string& out, const JournalEntry& entry);

// The object `appendJson` writes; "hours" is [[hour, in, out], ...] by hour, left out when
// empty. Decoding requires every key but "company" and "hours" with its exact type, a real
// calendar day and date-times in the written form; hours, when there, must be distinct and
// ordered, from 0 to 23, with counts of at least 0.
void to_json(nlohmann::json& json, const JournalEntry& entry);
void from_json(const nlohmann::json& json, JournalEntry& entry);

template <> struct std::hash<JournalEntry> { size_t operator()(const JournalEntry& entry) const; };

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "base/lang.h"
#include "base/result.h"

// The user's preferences.
struct Settings {
    // No notifications and no questions.
    bool quiet = false;
    // Scan period in seconds, stored as chosen; the scan timer uses at least 2.
    double interval = 5.0;
    // "en", "ru", or anything else for the system language.
    std::string language = "auto";
    // List loopback, local-network, link-local and multicast connections too.
    bool showLocal = false;
    // No scan is started while set.
    bool paused = false;
    // Also write this user's journal records to the system journal (JournalExport).
    bool exportJournal = false;
    // Connections held for a question that is not answered by its deadline are blocked once
    // rather than let through once.
    bool blockAtDeadline = false;

    // Exactly "ru" or "en" (case-sensitive); otherwise the system language.
    Lang lang() const;

    bool operator==(const Settings&) const = default;
};

// The first five keys are required with their exact JSON types (a finite number for "interval");
// "exportJournal" and "blockAtDeadline", newer, are optional (absent: off); other keys are ignored.
void to_json(nlohmann::json& json, const Settings& settings);
void from_json(const nlohmann::json& json, Settings& settings);

// What reading the settings file gave. Not a Result: a missing file is neither settings nor a
// problem, and the defaults then apply whether or not there is a problem to show.
struct SettingsReading {
    // Absent when the file is missing or cannot be used; the defaults then apply as a whole.
    std::optional<Settings> settings;
    // Why a file that exists could not be used.
    std::optional<std::string> problem;
};

// Reads and decodes the settings file; never writes.
SettingsReading readSettings(const std::string& path);

// The settings stored at `path`; absent when the file is missing, unreadable or not exactly a
// settings object, in which case the defaults (`Settings{}`) apply as a whole.
std::optional<Settings> loadSettings(const std::string& path);

// Writes `settings` compactly to `path` atomically, creating its directory when missing. A file
// already there that does not decode is first kept beside it as "settings.json.bad-<its
// modification time>"; one that cannot be read is left in place and the write fails.
Result<void> writeSettings(const std::string& path, const Settings& settings);

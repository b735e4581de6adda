// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/journal_entry.h"

#include <algorithm>
#include <limits>

#include <nlohmann/json.hpp>

#include "base/byte_count.h"
#include "base/json_optional.h"
#include "base/json_strict.h"
#include "base/json_text.h"

namespace {

Dates::TimePoint dateField(const nlohmann::json& json, const char* key) {
    const nlohmann::json& value = json.at(key);
    if (auto time = Dates::parseIso8601(value.get<std::string>())) return *time;
    throw nlohmann::json::other_error::create(501, std::string(key) + " is not an ISO 8601 date",
                                              &value);
}

// The day names the entry's file, so it must be a date and nothing else.
std::string dayField(const nlohmann::json& json) {
    std::string day = json.at("day").get<std::string>();
    if (!Dates::isDay(day))
        throw nlohmann::json::other_error::create(501, "day is not yyyy-MM-dd", &json);
    return day;
}

// A JSON whole number from 0 to `most`.
int64_t bounded(const nlohmann::json& value, int64_t most, const char* what) {
    if (!value.is_number_unsigned() || value.get<uint64_t>() > static_cast<uint64_t>(most))
        throw nlohmann::json::type_error::create(
            302, std::string(what) + " must be from 0 to " + std::to_string(most), &value);
    return value.get<int64_t>();
}

// One [hour, in, out] of "hours".
JournalEntry::Hour hourField(const nlohmann::json& json) {
    constexpr int64_t most = std::numeric_limits<int64_t>::max();
    if (!json.is_array() || json.size() != 3)
        throw nlohmann::json::other_error::create(501, "an hour is [hour, in, out]", &json);
    return {static_cast<int>(bounded(json[0], 23, "an hour")), bounded(json[1], most, "bytes in"),
            bounded(json[2], most, "bytes out")};
}

std::vector<JournalEntry::Hour> hoursField(const nlohmann::json& json) {
    auto found = json.find("hours");
    if (found == json.end()) return {};
    if (!found->is_array()) JsonStrict::reject(json, "hours", "a list");
    std::vector<JournalEntry::Hour> hours;
    for (const nlohmann::json& item : *found) {
        hours.push_back(hourField(item));
        if (hours.size() > 1 && hours[hours.size() - 2].hour >= hours.back().hour)
            throw nlohmann::json::other_error::create(501, "hours are distinct, in order", &json);
    }
    return hours;
}

} // namespace

void JournalEntry::add(int hour, int64_t in, int64_t out) {
    if (in <= 0 && out <= 0) return;
    bytesIn = ByteCount::plus(bytesIn, in);
    bytesOut = ByteCount::plus(bytesOut, out);
    auto at = std::lower_bound(hours.begin(), hours.end(), hour,
                               [](const Hour& each, int wanted) { return each.hour < wanted; });
    if (at == hours.end() || at->hour != hour) at = hours.insert(at, Hour{hour});
    at->in = ByteCount::plus(at->in, in);
    at->out = ByteCount::plus(at->out, out);
}

void JournalEntry::add(const JournalEntry& other) {
    // What `other` counted beyond its hours (it was first written before hours were kept)
    // counts too.
    const int64_t in = ByteCount::plus(bytesIn, other.bytesIn),
                  out = ByteCount::plus(bytesOut, other.bytesOut);
    for (const Hour& hour : other.hours)
        add(hour.hour, hour.in, hour.out);
    bytesIn = in;
    bytesOut = out;
}

void appendJson(std::string& out, const JournalEntry& entry) {
    auto key = [&out](const char* name) {
        out += '"';
        out += name;
        out += "\":";
    };
    auto text = [&](const char* name, std::string_view value) {
        key(name);
        JsonText::appendString(out, value);
        out += ',';
    };
    auto number = [&](const char* name, int64_t value) {
        key(name);
        out += std::to_string(value);
        out += ',';
    };
    out += '{';
    text("day", entry.day);
    text("app", entry.app);
    text("dest", entry.dest);
    text("ip", entry.ip);
    number("port", entry.port);
    text("category", Categories::name(entry.category));
    if (entry.company) text("company", *entry.company);
    text("first", Dates::iso8601(entry.first));
    text("last", Dates::iso8601(entry.last));
    number("bytesIn", entry.bytesIn);
    number("bytesOut", entry.bytesOut);
    if (entry.ruleTarget) text("ruleTarget", *entry.ruleTarget);
    if (entry.ruleProgram) text("ruleProgram", *entry.ruleProgram);
    if (entry.incoming) out += "\"incoming\":true,";
    if (!entry.hours.empty()) {
        key("hours");
        char separator = '[';
        for (const JournalEntry::Hour& hour : entry.hours) {
            out += separator;
            out += '[' + std::to_string(hour.hour) + ',' + std::to_string(hour.in) + ',' +
                   std::to_string(hour.out) + ']';
            separator = ',';
        }
        out += "],";
    }
    key("blocked");
    out += entry.blocked ? "true}" : "false}";
}

void to_json(nlohmann::json& json, const JournalEntry& entry) {
    std::string text;
    appendJson(text, entry);
    json = nlohmann::json::parse(text);
}

void from_json(const nlohmann::json& json, JournalEntry& entry) {
    entry = {dayField(json),
             json.at("app").get<std::string>(),
             json.at("dest").get<std::string>(),
             json.at("ip").get<std::string>(),
             JsonStrict::integer(json, "port"),
             json.at("category").get<Category>(),
             JsonOptional::get<std::string>(json, "company"),
             dateField(json, "first"),
             dateField(json, "last"),
             JsonStrict::integer(json, "bytesIn"),
             JsonStrict::integer(json, "bytesOut"),
             json.at("blocked").get<bool>(),
             JsonOptional::get<std::string>(json, "ruleTarget"),
             JsonOptional::get<std::string>(json, "ruleProgram"),
             json.value("incoming", false),
             hoursField(json)};
}

size_t std::hash<JournalEntry>::operator()(const JournalEntry& entry) const {
    // Equal entries have equal ids, and ids are what tell entries apart.
    return std::hash<std::string>{}(entry.id());
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/journal_entry.h"

#include <nlohmann/json.hpp>

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

} // namespace

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
             json.value("incoming", false)};
}

size_t std::hash<JournalEntry>::operator()(const JournalEntry& entry) const {
    // Equal entries have equal ids, and ids are what tell entries apart.
    return std::hash<std::string>{}(entry.id());
}

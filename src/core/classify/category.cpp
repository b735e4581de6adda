// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/category.h"

#include <nlohmann/json.hpp>

#include "base/enum_text.h"

namespace {

constexpr std::array<std::string_view, 12> names{"local",  "apple",     "system",  "cloud",
                                                 "cdn",    "service",   "unknown", "telemetry",
                                                 "social", "analytics", "tracker", "ads"};

} // namespace

namespace Categories {

std::string name(Category category) {
    return EnumText::name(names, category);
}

std::optional<Category> from(std::string_view text) {
    return EnumText::parse<Category>(names, text);
}

} // namespace Categories

void to_json(nlohmann::json& json, Category category) {
    json = Categories::name(category);
}

void from_json(const nlohmann::json& json, Category& category) {
    category = EnumText::decode<Category>(names, json, "category");
}

void to_json(nlohmann::json& json, const Org& org) {
    json = {{"company", org.company}, {"category", org.category}};
}

void from_json(const nlohmann::json& json, Org& org) {
    org = {json.at("company").get<std::string>(), json.at("category").get<Category>()};
}

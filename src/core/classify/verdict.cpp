// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/verdict.h"

#include <nlohmann/json.hpp>

#include "base/json_optional.h"

void to_json(nlohmann::json& json, const Verdict& verdict) {
    json = {{"category", verdict.category}};
    JsonOptional::put(json, "company", verdict.company);
    JsonOptional::put(json, "listed", verdict.listed);
}

void from_json(const nlohmann::json& json, Verdict& verdict) {
    verdict = {json.at("category").get<Category>(), JsonOptional::get<std::string>(json, "company"),
               JsonOptional::get<std::string>(json, "listed")};
}

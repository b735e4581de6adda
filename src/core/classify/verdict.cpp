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

size_t std::hash<Verdict>::operator()(const Verdict& verdict) const {
    // Category text, then a presence marker and the text of each optional field.
    std::string key = Categories::name(verdict.category);
    for (const auto& field : {verdict.company, verdict.listed})
        key += field ? "\x01" + *field + '\0' : std::string("\0", 1);
    return std::hash<std::string>{}(key);
}

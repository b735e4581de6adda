// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

// Optional JSON fields: omitted when absent, absent when missing.
namespace JsonOptional {

template <typename T>
void put(nlohmann::json& json, const char* key, const std::optional<T>& value) {
    if (value) json[key] = *value;
}

template <typename T> std::optional<T> get(const nlohmann::json& json, const char* key) {
    auto found = json.find(key);
    if (found == json.end()) return std::nullopt;
    return found->template get<T>();
}

} // namespace JsonOptional

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <nlohmann/json.hpp>

// Strict numeric JSON fields. nlohmann's own conversions accept booleans as numbers and
// fractions as integers; these do not.
namespace JsonStrict {

[[noreturn]] inline void reject(const nlohmann::json& json, const char* key, const char* what) {
    throw nlohmann::json::type_error::create(302, std::string(key) + " must be " + what, &json);
}

// A JSON integer that fits 64 bits signed.
inline int64_t integer(const nlohmann::json& json, const char* key) {
    const nlohmann::json& value = json.at(key);
    if (value.is_number_unsigned() &&
        value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        reject(json, key, "a 64-bit integer");
    if (!value.is_number_integer()) reject(json, key, "an integer");
    return value.get<int64_t>();
}

// A JSON integer of at least 0 that fits 64 bits unsigned.
inline uint64_t natural(const nlohmann::json& json, const char* key) {
    const nlohmann::json& value = json.at(key);
    if (!value.is_number_unsigned()) reject(json, key, "a whole number of at least 0");
    return value.get<uint64_t>();
}

// A finite JSON number, whole or not.
inline double number(const nlohmann::json& json, const char* key) {
    const nlohmann::json& value = json.at(key);
    if (!value.is_number() || !std::isfinite(value.get<double>())) reject(json, key, "a number");
    return value.get<double>();
}

} // namespace JsonStrict

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Text forms of enumerations whose cases are declared in the order of their names.
namespace EnumText {

template <typename Names, typename E> std::string name(const Names& names, E value) {
    return std::string(names[static_cast<size_t>(value)]);
}

template <typename E, typename Names>
std::optional<E> parse(const Names& names, std::string_view text) {
    auto found = std::find(names.begin(), names.end(), text);
    if (found == names.end()) return std::nullopt;
    return static_cast<E>(found - names.begin());
}

// Strict JSON decoding: a string naming one of the cases exactly, otherwise a decoding error.
template <typename E, typename Names>
E decode(const Names& names, const nlohmann::json& json, const char* what) {
    if (auto value = parse<E>(names, json.get<std::string>())) return *value;
    throw nlohmann::json::other_error::create(501, std::string("not a valid ") + what, &json);
}

} // namespace EnumText

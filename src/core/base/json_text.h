// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

// JSON text for files and output: decoding a whole text as one value, direct writing of compact
// text for files too large to build as a document first, and dumping that never throws on names
// that are not valid UTF-8.
namespace JsonText {

// `text` parsed and converted to a T; absent when it is not JSON or not a T.
template <typename T> std::optional<T> decode(std::string_view text) {
    try {
        return nlohmann::json::parse(text).get<T>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

// The JSON object `text` decoded by `decoded`; absent when it is not JSON, not an object, or
// `decoded` throws a JSON exception for it (a line of a protocol, say).
template <typename Decoded>
auto decodeObject(std::string_view text, Decoded decoded)
    -> std::optional<decltype(decoded(std::declval<const nlohmann::json&>()))> {
    try {
        nlohmann::json json = nlohmann::json::parse(text);
        if (!json.is_object()) return std::nullopt;
        return decoded(json);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

// Why `text` failed to decode as `what` (for example "a rule set"), in plain words: where a text
// that is not JSON breaks off, or the library's message without its "[json.exception.…]" tag.
std::string whyNot(const nlohmann::json::exception& problem, std::string_view text,
                   std::string_view what);

// `value` as text, indented by `indent` (-1: compact), invalid UTF-8 replaced by U+FFFD.
std::string dump(const nlohmann::json& value, int indent = -1);

// Appends `text` as a JSON string: quoted, escaped as nlohmann's dump escapes, invalid UTF-8
// replaced by U+FFFD.
void appendString(std::string& out, std::string_view text);

} // namespace JsonText

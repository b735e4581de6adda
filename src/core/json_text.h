#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// JSON text for files and output: direct writing of compact text for files too large to build
// as a document first, and dumping that never throws on names that are not valid UTF-8.
namespace JsonText {

// `value` as text, indented by `indent` (-1: compact), invalid UTF-8 replaced by U+FFFD.
std::string dump(const nlohmann::json& value, int indent = -1);

// Appends `text` as a JSON string: quoted, escaped as nlohmann's dump escapes, invalid UTF-8
// replaced by U+FFFD.
void appendString(std::string& out, std::string_view text);

} // namespace JsonText

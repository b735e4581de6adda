#pragma once

#include <string>
#include <string_view>

// Direct writing of compact JSON text, for files too large to build as a document first.
namespace JsonText {

// Appends `text` as a JSON string: quoted, escaped as nlohmann's dump escapes, invalid UTF-8
// replaced by U+FFFD.
void appendString(std::string& out, std::string_view text);

} // namespace JsonText

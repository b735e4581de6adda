// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/json_text.h"

#include <algorithm>

#include "base/utf8.h"

namespace JsonText {

namespace {

void appendEscaped(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20) {
                out += c;
            } else {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            }
        }
    }
}

} // namespace

void appendString(std::string& out, std::string_view text) {
    out += '"';
    bool ascii = std::all_of(text.begin(), text.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        appendEscaped(out, text);
    else
        appendEscaped(out, Utf8::decodeLossy(text));
    out += '"';
}

std::string dump(const nlohmann::json& value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace JsonText

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

// "line L, column C" of the byte the parser stopped at (`byte` counts from 1), the column in
// characters.
std::string place(std::string_view text, size_t byte) {
    const std::string_view read = text.substr(0, byte > 0 ? byte - 1 : 0);
    const size_t lineStart = read.rfind('\n');
    const size_t line = 1 + static_cast<size_t>(std::count(read.begin(), read.end(), '\n'));
    const size_t column =
        1 + Utf8::length(lineStart == std::string_view::npos ? read : read.substr(lineStart + 1));
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
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

std::string whyNot(const nlohmann::json::exception& problem, std::string_view text,
                   std::string_view what) {
    if (const auto* parse = dynamic_cast<const nlohmann::json::parse_error*>(&problem))
        return "it is not valid JSON at " + place(text, parse->byte);
    std::string_view message = problem.what();
    if (message.starts_with("[json.exception.")) {
        const size_t tagEnd = message.find("] ");
        if (tagEnd != std::string_view::npos) message.remove_prefix(tagEnd + 2);
    }
    return "it is not " + std::string(what) + ": " + std::string(message);
}

} // namespace JsonText

// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/utf8.h"

namespace Utf8 {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

// Length of the valid sequence at bytes[i], or 0 with `bad` set to the length of the maximal
// invalid prefix to replace (one U+FFFD per maximal subpart, as browsers and ICU do).
size_t validLength(std::string_view bytes, size_t i, size_t& bad) {
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    unsigned char lead = at(i);
    bad = 1;
    if (lead < 0x80) return 1;
    size_t need;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (size_t k = 1; k <= need; ++k) {
        if (i + k >= bytes.size()) return 0;
        unsigned char c = at(i + k);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return 0;
        bad = k + 1;
    }
    return need + 1;
}

} // namespace

std::string decodeLossy(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        size_t start = i;
        while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80)
            ++i;
        text.append(bytes.substr(start, i - start));
        if (i == bytes.size()) break;
        size_t bad = 1;
        if (size_t length = validLength(bytes, i, bad)) {
            text.append(bytes.substr(i, length));
            i += length;
        } else {
            text.append(replacement);
            i += bad;
        }
    }
    return text;
}

size_t length(std::string_view text) {
    size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::string padded(std::string text, size_t width) {
    const size_t characters = length(text);
    if (characters < width) text.append(width - characters, ' ');
    return text;
}

} // namespace Utf8

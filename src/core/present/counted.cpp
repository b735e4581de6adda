// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/counted.h"

namespace Counted {

std::string_view form(int64_t count, const NounForms& noun, Lang lang) {
    const uint64_t n = count < 0 ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
    if (lang != Lang::ru) return n == 1 ? noun.one : noun.other;
    const uint64_t last = n % 10, lastTwo = n % 100;
    if (lastTwo >= 11 && lastTwo <= 14) return noun.ruMany;
    if (last == 1) return noun.ruOne;
    if (last >= 2 && last <= 4) return noun.ruFew;
    return noun.ruMany;
}

std::string text(int64_t count, const NounForms& noun, Lang lang) {
    return std::to_string(count).append(" ").append(form(count, noun, lang));
}

} // namespace Counted

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "base/lang.h"

// One user-visible text in both languages; English serves every language but Russian.
struct Bilingual {
    std::string_view en;
    std::string_view ru;

    constexpr std::string_view in(Lang lang) const { return lang == Lang::ru ? ru : en; }
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/lang.h"

// The forms a noun takes after a number: in English the singular after 1 and the plural
// otherwise; in Russian one form after 1, 21, 31… (not 11), one after 2–4, 22–24… (not 12–14),
// and one after the rest (0, 5–20, 25–30…).
struct NounForms {
    std::string_view one;
    std::string_view other;
    std::string_view ruOne;
    std::string_view ruFew;
    std::string_view ruMany;
};

// A number meeting a noun.
namespace Counted {

// The form of `noun` that follows `count`.
std::string_view form(int64_t count, const NounForms& noun, Lang lang);
// `count`, a space and the form of `noun` that follows it: "1 program", "22 программы".
std::string text(int64_t count, const NounForms& noun, Lang lang);

} // namespace Counted

// The nouns the program counts.
namespace Nouns {

inline constexpr NounForms program{"program", "programs", "программа", "программы", "программ"};
inline constexpr NounForms connection{"connection", "connections", "соединение", "соединения",
                                      "соединений"};
inline constexpr NounForms tracker{"tracker", "trackers", "трекер", "трекера", "трекеров"};
inline constexpr NounForms trackerConnection{"tracker connection", "tracker connections",
                                             "соединение с трекером", "соединения с трекерами",
                                             "соединений с трекерами"};
inline constexpr NounForms address{"address", "addresses", "адрес", "адреса", "адресов"};
inline constexpr NounForms domain{"domain", "domains", "домен", "домена", "доменов"};
inline constexpr NounForms destination{"destination", "destinations", "адресат", "адресата",
                                       "адресатов"};

} // namespace Nouns

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "lang.h"
#include "platform.h"

// The texts of the window frame: header switches, tab names and the footer.
namespace WindowTexts {

enum class Key { blockEverythingNew, quiet, programs, journal, rules, settings };

std::string text(Key key, Lang lang);

// The name of tab 0 to 3.
std::string tabName(int tab, Lang lang);

// What the program sends (nothing), the observation tool in use and the size of the tracker list.
std::string footer(std::string_view source, size_t listedDomains, Lang lang,
                   platform::Wording wording = platform::current().wording);

} // namespace WindowTexts

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "base/lang.h"

// Credits for the material shipped inside the program.
namespace Credits {

// The sentence naming the tracker lists built into the program and their licence.
std::string trackerLists(Lang lang);

// The maker's credit line, the same in both languages, and the web site it opens.
std::string makerLine();
std::string makerSite();

} // namespace Credits

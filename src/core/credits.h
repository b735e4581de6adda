#pragma once

#include <string>

#include "lang.h"

// Credits for the material shipped inside the program.
namespace Credits {

// The sentence naming the tracker lists built into the program and their licence.
std::string trackerLists(Lang lang);

} // namespace Credits

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/lang.h"
#include "classify/category.h"

// The words the commands that take --lang print around the explainer's sentences, in both
// languages.
namespace CliTexts {

enum class Word { port, incoming, listed, listedAs, watchingEvents, watchingScans, count };

std::string word(Word word, Lang lang);

// "source: ss, 3 connections"
std::string scanHeading(std::string_view source, size_t connections, Lang lang);
// "pid 12" or "pid 12, 40"; `ids` holds `count` of them.
std::string processes(std::string_view ids, size_t count, Lang lang);
// "cloud (Cloud)": the category's name, as rules and JSON spell it, and its label; only the label
// in Russian.
std::string category(Category category, Lang lang);

} // namespace CliTexts

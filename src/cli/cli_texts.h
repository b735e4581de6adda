// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "base/lang.h"
#include "classify/category.h"

// The words the commands that take --lang print around the explainer's sentences, in both
// languages.
namespace CliTexts {

enum class Word { port, incoming, listed, listedAs, watchingEvents, watchingScans, yes, no, count };

std::string word(Word word, Lang lang);

// "source: ss, 3 connections"
std::string scanHeading(std::string_view source, size_t connections, Lang lang);
// "pid 12" or "pid 12, 40"; `ids` holds `count` of them.
std::string processes(std::string_view ids, size_t count, Lang lang);
// "cloud (Cloud)": the category's name, as rules and JSON spell it, and its label; only the label
// in Russian.
std::string category(Category category, Lang lang);
// "journal: DIR (3 entries)"
std::string journalHeading(std::string_view dir, size_t entries, Lang lang);
// The column headings of the journal table.
std::vector<std::string> journalColumns(Lang lang);
// The local time of day of `at`: "08:05:09".
std::string clockTime(Dates::TimePoint at);

} // namespace CliTexts

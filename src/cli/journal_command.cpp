// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal_command.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <ostream>

#include <nlohmann/json.hpp>

#include "base/json_text.h"
#include "base/text.h"
#include "base/unusable_file.h"
#include "base/utf8.h"
#include "cli_options.h"
#include "cli_texts.h"
#include "json_fields.h"
#include "observe/traffic_rate.h"
#include "platform.h"
#include "present/explainer.h"
#include "store/journal.h"
#include "usage.h"

namespace JournalCommand {

namespace {

// Beyond this many days every stored entry is shown; keeps the day arithmetic in range.
constexpr int maximumDays = 100000;

struct Options {
    int days = 7;
    bool json = false;
    Lang lang = Langs::system();
};

std::string dataRoot() {
    const char* home = std::getenv("NATTERVANE_HOME");
    if (home && *home) return home;
    return platform::current().dataRoot();
}

// The options, or absent with `problem` saying what is wrong.
std::optional<Options> parse(const std::vector<std::string>& options, std::string& problem) {
    Options parsed;
    CliOptions::Parser parser(options);
    while (auto option = parser.next()) {
        if (*option == "--json") {
            parsed.json = true;
        } else if (*option == "--days") {
            auto text = parser.value();
            std::optional<int> days = text ? Text::parseDecimal<int>(*text) : std::nullopt;
            if (!days || *days < 1) {
                problem = "--days needs a whole number of days, at least 1";
                return std::nullopt;
            }
            parsed.days = std::min(*days, maximumDays);
        } else if (*option == "--lang") {
            auto lang = CliOptions::lang(parser.value());
            if (!lang) {
                problem = "--lang takes en or ru";
                return std::nullopt;
            }
            parsed.lang = *lang;
        } else {
            problem = "unknown option for journal: " + *option;
            return std::nullopt;
        }
    }
    return parsed;
}

void printRow(const std::vector<std::string>& cells, std::ostream& out) {
    static constexpr std::array<size_t, 8> widths{10, 8, 24, 40, 14, 20, 12, 12};
    for (size_t at = 0; at < cells.size(); ++at) {
        if (at < widths.size())
            out << Utf8::padded(Text::escapedForTerminal(cells[at]), widths[at]) << ' ';
        else
            out << Text::escapedForTerminal(cells[at]);
    }
    out << "\n";
}

// A row an entry: the time of its last observation, and sizes in SI units.
void printTable(const std::vector<JournalEntry>& entries, Lang lang, std::ostream& out) {
    using CliTexts::word, CliTexts::Word;
    printRow(CliTexts::journalColumns(lang), out);
    for (const JournalEntry& entry : entries)
        printRow(
            {entry.day, CliTexts::clockTime(entry.last), entry.app,
             entry.incoming ? entry.dest + " (" + word(Word::incoming, lang) + ")" : entry.dest,
             lang == Lang::ru ? Explainer::label(entry.category, lang)
                              : std::string(Categories::name(entry.category)),
             entry.company.value_or("-"), RateText::size(static_cast<double>(entry.bytesIn), lang),
             RateText::size(static_cast<double>(entry.bytesOut), lang),
             word(entry.blocked ? Word::yes : Word::no, lang)},
            out);
}

} // namespace

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err) {
    std::string problem;
    std::optional<Options> parsed = parse(options, problem);
    if (!parsed) return Usage::fail(err, "journal", problem);
    std::string dir = dataRoot() + "/journal";
    Journal::Contents contents = Journal::read(dir);
    for (const Journal::Skipped& skipped : contents.skipped)
        err << "nattervane-cli: skipped " << UnusableFile::warning(skipped.path, skipped.problem)
            << "\n";
    std::string first = Journal::cutoff(std::chrono::system_clock::now(), parsed->days);
    std::erase_if(contents.entries, [&](const auto& item) { return item.second.day < first; });
    std::vector<JournalEntry> entries = Journal::newestFirst(contents.entries);
    if (parsed->json) {
        out << JsonText::dump(JsonFields::journalEntries(entries), 2) << "\n";
        return 0;
    }
    out << CliTexts::journalHeading(dir, entries.size(), parsed->lang) << "\n";
    if (!entries.empty()) printTable(entries, parsed->lang, out);
    return 0;
}

} // namespace JournalCommand

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
#include "json_fields.h"
#include "platform.h"
#include "store/journal.h"
#include "usage.h"

namespace JournalCommand {

namespace {

// Beyond this many days every stored entry is shown; keeps the day arithmetic in range.
constexpr int maximumDays = 100000;

struct Options {
    int days = 7;
    bool json = false;
};

std::string dataRoot() {
    const char* home = std::getenv("NATTERVANE_HOME");
    if (home && *home) return home;
    return platform::current().dataRoot();
}

// The options, or absent with `problem` saying what is wrong.
std::optional<Options> parse(const std::vector<std::string>& options, std::string& problem) {
    Options parsed;
    for (size_t at = 0; at < options.size(); ++at) {
        const std::string& option = options[at];
        if (option == "--json") {
            parsed.json = true;
        } else if (option == "--days") {
            std::optional<int> days;
            if (at + 1 < options.size()) days = Text::parseDecimal<int>(options[++at]);
            if (!days || *days < 1) {
                problem = "--days needs a whole number of days, at least 1";
                return std::nullopt;
            }
            parsed.days = std::min(*days, maximumDays);
        } else {
            problem = "unknown option for journal: " + option;
            return std::nullopt;
        }
    }
    return parsed;
}

void printRow(const std::vector<std::string>& cells, std::ostream& out) {
    static constexpr std::array<size_t, 7> widths{10, 24, 40, 9, 20, 12, 12};
    for (size_t at = 0; at < cells.size(); ++at) {
        if (at < widths.size())
            out << Utf8::padded(Text::escapedForTerminal(cells[at]), widths[at]) << ' ';
        else
            out << Text::escapedForTerminal(cells[at]);
    }
    out << "\n";
}

void printTable(const std::vector<JournalEntry>& entries, std::ostream& out) {
    printRow({"DAY", "PROGRAM", "DESTINATION", "CATEGORY", "COMPANY", "IN", "OUT", "BLOCKED"}, out);
    for (const JournalEntry& entry : entries)
        printRow({entry.day, entry.app, entry.incoming ? entry.dest + " (incoming)" : entry.dest,
                  Categories::name(entry.category), entry.company.value_or("-"),
                  std::to_string(entry.bytesIn), std::to_string(entry.bytesOut),
                  entry.blocked ? "yes" : "no"},
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
    out << "journal: " << dir << " (" << entries.size() << " entries)\n";
    if (!entries.empty()) printTable(entries, out);
    return 0;
}

} // namespace JournalCommand

// SPDX-License-Identifier: GPL-3.0-or-later
#include "usage.h"

#include <algorithm>
#include <cctype>
#include <ostream>

#include "base/text.h"

namespace Usage {

namespace {

struct Option {
    std::string_view words;
    std::string_view meaning;
};

struct Command {
    std::string_view name;
    std::vector<std::string_view> synopses;
    // What it does, in lines of at most 60 characters.
    std::string_view about;
    std::vector<Option> options;
};

constexpr Option lang{"--lang en|ru", "the language of the words (default: the system's)"};
constexpr Option count{"--count N", "stop after N (default: run until Ctrl+C)"};
constexpr Option local{"--local", "include the connections within this computer and its network"};

const std::vector<Command>& table() {
    static const std::vector<Command> commands{
        {"scan",
         {"scan [--local] [--json] [--lang en|ru] [--wait SECONDS]"},
         "who each program talks to now, worst first; scans again after\n"
         "SECONDS (default 1.5) so that host names show",
         {local,
          {"--json", "print the connections as JSON"},
          lang,
          {"--wait SECONDS", "seconds between the two scans, 0 to 60"}}},
        {"classify",
         {"classify IP [HOST] [--app NAME] [--lang en|ru] [--json]"},
         "who is behind one address, reached by the name HOST",
         {{"--app NAME", "the program the sentence names"},
          lang,
          {"--json", "print the verdict and the sentence as JSON"}}},
        {"flows",
         {"flows [--json]", "flows --watch SECONDS [--count N]"},
         "list the network flows of this computer's programs now; with\n"
         "--watch, a table of the programs online and what each receives\n"
         "and sends a second, drawn anew every SECONDS",
         {{"--json", "print the flows as JSON"},
          {"--watch SECONDS", "draw the table every SECONDS, 0.5 to 60"},
          {"--count N", "with --watch: stop after N tables"}}},
        {"watch",
         {"watch [--count N] [--local] [--json] [--lang en|ru]"},
         "each connection as it is made: its program, where to and who is\n"
         "behind it",
         {count, local, {"--json", "print each connection as one line of JSON"}, lang}},
        {"journal",
         {"journal [--days N] [--json] [--lang en|ru]"},
         "show the journal of the last N days (default 7), newest\n"
         "first, with the time each entry was last seen",
         {{"--days N", "the days to show, at least 1"},
          {"--json", "print the entries as JSON"},
          lang}},
        {"rules",
         {"rules [--json]", "rules set TARGET allow|block|ask [--program PATH]",
          "rules remove TARGET [--program PATH]"},
         "show the rules kept in the data folder (read only); or set or\n"
         "remove the rule for a domain or address (TARGET * with --program:\n"
         "everything the program reaches), through the running\n"
         "application, else in the file",
         {{"--json", "print the rules file's contents"},
          {"--program PATH", "the rule for the program at PATH only, not every program"}}},
        {"autostart",
         {"autostart on|off|status"},
         "start the application at login, or not; or say which",
         {}},
        {"export",
         {"export on|off|status [--lang en|ru]"},
         "also write this user's journal to this computer's system\n"
         "journal (its namespace nattervane), or not; or say which and\n"
         "whether its socket is there",
         {lang}},
        {"questions",
         {"questions [--json]", "questions allow|block ID"},
         "list the connections the event service holds until you answer\n"
         "whether they may go; or let one question's connections through,\n"
         "or block them, this once",
         {{"--json", "print the questions as JSON"}}},
        {"help", {"help [COMMAND]"}, "show this summary, or the help of COMMAND", {}},
    };
    return commands;
}

const Command* find(std::string_view name) {
    const auto& commands = table();
    auto found = std::ranges::find(commands, name, &Command::name);
    return found == commands.end() ? nullptr : &*found;
}

// `text` line by line, each line after `indent`.
std::string indented(std::string_view text, std::string_view indent) {
    std::string out;
    for (std::string_view line : Text::split(text, '\n'))
        out.append(indent).append(line).append("\n");
    return out;
}

// "usage: nattervane-cli scan …", then "       nattervane-cli …" for each further form.
std::string usageLines(const Command& command) {
    std::string out;
    for (std::string_view synopsis : command.synopses)
        out.append(out.empty() ? "usage: " : "       ")
            .append("nattervane-cli ")
            .append(synopsis)
            .append("\n");
    return out;
}

std::string optionLine(const Option& option) {
    std::string words(option.words);
    words.resize(std::max<size_t>(words.size() + 2, 18), ' ');
    return "  " + words + std::string(option.meaning) + "\n";
}

} // namespace

std::string text() {
    std::string out = "usage: nattervane-cli COMMAND [OPTIONS]\n"
                      "       nattervane-cli COMMAND -h|--help\n"
                      "       nattervane-cli -h|--help | -V|--version\n"
                      "\n"
                      "commands:\n";
    for (const Command& command : table()) {
        for (std::string_view synopsis : command.synopses)
            out.append("  ").append(synopsis).append("\n");
        out += indented(command.about, "                   ");
    }
    return out;
}

std::vector<std::string_view> commands() {
    std::vector<std::string_view> names;
    for (const Command& command : table())
        names.push_back(command.name);
    return names;
}

std::optional<std::string> help(std::string_view name) {
    const Command* command = find(name);
    if (!command) return std::nullopt;
    std::string about(command->about);
    about[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(about[0])));
    std::string out = usageLines(*command) + "\n" + about + ".\n\noptions:\n";
    for (const Option& option : command->options)
        out += optionLine(option);
    return out + optionLine({"-h, --help", "show this help"});
}

int fail(std::ostream& err, std::string_view name, const std::string& problem) {
    err << "nattervane-cli: " << problem << "\n";
    const Command* command = find(name);
    if (command)
        err << usageLines(*command) << "Try 'nattervane-cli " << name << " --help'.\n";
    else
        err << "usage: nattervane-cli COMMAND [OPTIONS]\nTry 'nattervane-cli --help'.\n";
    return 2;
}

} // namespace Usage

// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "autostart_command.h"
#include "base/program_info.h"
#include "classify_command.h"
#include "export_command.h"
#include "flows_command.h"
#include "journal_command.h"
#include "questions_command.h"
#include "rules_command.h"
#include "scan_command.h"
#include "usage.h"
#include "watch_command.h"

namespace {

using Run = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

const std::map<std::string, Run> runs{
    {"scan", ScanCommand::run},           {"classify", ClassifyCommand::run},
    {"flows", FlowsCommand::run},         {"watch", WatchCommand::run},
    {"journal", JournalCommand::run},     {"rules", RulesCommand::run},
    {"autostart", AutostartCommand::run}, {"export", ExportCommand::run},
    {"questions", QuestionsCommand::run},
};

bool asksForHelp(const std::vector<std::string>& options) {
    return std::ranges::any_of(
        options, [](const std::string& option) { return option == "--help" || option == "-h"; });
}

// `help` alone prints the summary, `help COMMAND` that command's help.
int help(const std::vector<std::string>& options) {
    if (options.empty()) {
        std::cout << Usage::text();
        return 0;
    }
    if (options.size() > 1) return Usage::fail(std::cerr, "help", "help takes one command");
    std::optional<std::string> text = Usage::help(options[0]);
    if (!text) return Usage::fail(std::cerr, "help", "no such command: " + options[0]);
    std::cout << *text;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) return Usage::fail(std::cerr, "", "no command given");
    if (auto status = ProgramInfo::answer(arguments, "nattervane-cli", Usage::text(), std::cout))
        return *status;
    const std::string& command = arguments.front();
    std::vector<std::string> options(arguments.begin() + 1, arguments.end());
    std::optional<std::string> usage = Usage::help(command);
    if (!usage) return Usage::fail(std::cerr, "", "unknown command: " + command);
    if (asksForHelp(options)) {
        std::cout << *usage;
        return 0;
    }
    if (command == "help") return help(options);
    return runs.at(command)(options, std::cout, std::cerr);
}

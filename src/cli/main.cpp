// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <string>
#include <vector>

#include "autostart_command.h"
#include "base/program_info.h"
#include "classify_command.h"
#include "flows_command.h"
#include "journal_command.h"
#include "rules_command.h"
#include "scan_command.h"
#include "usage.h"
#include "watch_command.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) return Usage::fail(std::cerr, "no command given");
    if (auto status = ProgramInfo::answer(arguments, "nattervane-cli", Usage::text(), std::cout))
        return *status;
    std::string command = arguments.front();
    std::vector<std::string> options(arguments.begin() + 1, arguments.end());
    if (command == "help") {
        Usage::print(std::cout);
        return 0;
    }
    if (command == "scan") return ScanCommand::run(options, std::cout, std::cerr);
    if (command == "classify") return ClassifyCommand::run(options, std::cout, std::cerr);
    if (command == "flows") return FlowsCommand::run(options, std::cout, std::cerr);
    if (command == "watch") return WatchCommand::run(options, std::cout, std::cerr);
    if (command == "journal") return JournalCommand::run(options, std::cout, std::cerr);
    if (command == "rules") return RulesCommand::run(options, std::cout, std::cerr);
    if (command == "autostart") return AutostartCommand::run(options, std::cout, std::cerr);
    return Usage::fail(std::cerr, "unknown command: " + command);
}

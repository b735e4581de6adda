#include <iostream>
#include <string>
#include <vector>

#include "classify_command.h"
#include "flows_command.h"
#include "journal_command.h"
#include "rules_command.h"
#include "scan_command.h"
#include "usage.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) return Usage::fail(std::cerr, "no command given");
    std::string command = arguments.front();
    std::vector<std::string> options(arguments.begin() + 1, arguments.end());
    if (command == "help" || command == "--help" || command == "-h") {
        Usage::print(std::cout);
        return 0;
    }
    if (command == "scan") return ScanCommand::run(options, std::cout, std::cerr);
    if (command == "classify") return ClassifyCommand::run(options, std::cout, std::cerr);
    if (command == "flows") return FlowsCommand::run(options, std::cout, std::cerr);
    if (command == "journal") return JournalCommand::run(options, std::cout, std::cerr);
    if (command == "rules") return RulesCommand::run(options, std::cout, std::cerr);
    return Usage::fail(std::cerr, "unknown command: " + command);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan_command.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <ostream>
#include <thread>

#include <nlohmann/json.hpp>

#include "base/json_text.h"
#include "base/text.h"
#include "classify/known_orgs.h"
#include "cli_options.h"
#include "cli_texts.h"
#include "json_fields.h"
#include "observe/scanner.h"
#include "present/explainer.h"
#include "present/source_text.h"
#include "usage.h"

namespace ScanCommand {

namespace {

struct Program {
    std::string name;
    std::vector<const Connection*> connections;
    Category worst = Category::local;
};

std::vector<Program> byProgram(const std::vector<Connection>& connections) {
    std::map<std::string, Program> programs;
    for (const Connection& connection : connections) {
        Program& program = programs[connection.app.name];
        program.name = connection.app.name;
        program.connections.push_back(&connection);
        program.worst = std::max(program.worst, connection.verdict.category);
    }
    std::vector<Program> sorted;
    for (auto& [name, program] : programs)
        sorted.push_back(std::move(program));
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Program& a, const Program& b) { return a.worst > b.worst; });
    return sorted;
}

std::string processes(const Program& program, Lang lang) {
    std::vector<int32_t> ids;
    for (const Connection* connection : program.connections)
        ids.push_back(connection->pid);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::string text;
    for (int32_t id : ids)
        text += (text.empty() ? "" : ", ") + std::to_string(id);
    return CliTexts::processes(text, ids.size(), lang);
}

void printConnection(const Connection& connection, Lang lang, std::ostream& out) {
    const Verdict& verdict = connection.verdict;
    using CliTexts::word, CliTexts::Word;
    std::string line = connection.dest() + " " + word(Word::port, lang) + " " +
                       std::to_string(connection.port) + " (" + connection.proto +
                       (connection.incoming ? ", " + word(Word::incoming, lang) : "") + ")  " +
                       Explainer::label(verdict.category, lang);
    if (verdict.company) line += ", " + *verdict.company;
    if (verdict.listed) line += ", " + word(Word::listed, lang) + *verdict.listed;
    out << "  " << Text::escapedForTerminal(line) << "\n    "
        << Text::escapedForTerminal(Explainer::sentence(connection, lang)) << "\n";
}

struct ScanOptions {
    bool includeLocal = false;
    bool json = false;
    Lang lang = Langs::system();
    double wait = 1.5;
};

} // namespace

void print(const std::vector<Connection>& connections, Lang lang, std::ostream& out) {
    for (const Program& program : byProgram(connections)) {
        out << "\n"
            << Text::escapedForTerminal(program.name) << " (" << processes(program, lang) << ")\n";
        std::vector<const Connection*> sorted = program.connections;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const Connection* a, const Connection* b) {
                             return a->verdict.category > b->verdict.category;
                         });
        for (const Connection* connection : sorted)
            printConnection(*connection, lang, out);
    }
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    ScanOptions options;
    CliOptions::Parser parser(arguments);
    while (auto option = parser.next()) {
        if (*option == "--local")
            options.includeLocal = true;
        else if (*option == "--json")
            options.json = true;
        else if (*option == "--lang") {
            auto lang = CliOptions::lang(parser.value());
            if (!lang) return Usage::fail(err, "scan", "--lang takes en or ru");
            options.lang = *lang;
        } else if (*option == "--wait") {
            auto seconds = parser.seconds();
            if (!seconds)
                return Usage::fail(err, "scan", "--wait takes a number of seconds from 0 to 60");
            options.wait = *seconds;
        } else
            return Usage::fail(err, "scan", "unknown option for scan: " + *option);
    }
    ScannerOptions scannerOptions;
    scannerOptions.lang = options.lang;
    Scanner scanner(CliOptions::shippedTrackers(err), std::move(scannerOptions));
    scanner.setOrgTable(CliOptions::shippedOrgTable(err));
    scanner.resolver().prime(KnownOrgs::watchDomains());
    scanner.scan(options.includeLocal);
    // Reverse lookups started by the first scan name the destinations of the second.
    std::this_thread::sleep_for(std::chrono::duration<double>(options.wait));
    std::vector<Connection> connections = scanner.scan(options.includeLocal);
    for (const std::string& problem : scanner.listerProblems())
        err << "nattervane-cli: not listed by " << problem << "\n";
    if (options.json) {
        out << JsonText::dump(JsonFields::connections(connections), 2) << "\n";
        return 0;
    }
    out << CliTexts::scanHeading(SourceText::describe(scanner.scanSource(), options.lang),
                                 connections.size(), options.lang)
        << "\n";
    print(connections, options.lang, out);
    return 0;
}

} // namespace ScanCommand

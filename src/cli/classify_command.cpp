// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify_command.h"

#include <ostream>

#include <nlohmann/json.hpp>

#include "base/json_text.h"
#include "base/net.h"
#include "classify/classifier.h"
#include "cli_options.h"
#include "cli_texts.h"
#include "present/explainer.h"
#include "usage.h"

namespace ClassifyCommand {

namespace {

struct Request {
    std::string ip;
    std::optional<std::string> host;
    // Absent: the sentence speaks of "a program".
    std::optional<std::string> app;
    Lang lang = Langs::system();
    bool json = false;
};

// Fills `request` from the arguments; returns the problem, or empty when they are good.
std::string read(const std::vector<std::string>& arguments, Request& request) {
    CliOptions::Parser parser(arguments);
    std::vector<std::string> positional;
    while (auto argument = parser.next()) {
        if (*argument == "--json")
            request.json = true;
        else if (*argument == "--lang") {
            auto lang = CliOptions::lang(parser.value());
            if (!lang) return "--lang takes en or ru";
            request.lang = *lang;
        } else if (*argument == "--app") {
            auto app = parser.value();
            if (!app) return "--app takes a program name";
            request.app = *app;
        } else if (argument->starts_with("--"))
            return "unknown option for classify: " + *argument;
        else
            positional.push_back(*argument);
    }
    if (positional.empty() || positional.size() > 2)
        return "classify takes an address and an optional host name";
    if (!Net::isValidIP(positional[0])) return "not an IP address: " + positional[0];
    request.ip = positional[0];
    if (positional.size() == 2) {
        if (!Net::isValidDomain(positional[1])) return "not a host name: " + positional[1];
        request.host = positional[1];
    }
    return {};
}

} // namespace

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Request request;
    if (std::string problem = read(arguments, request); !problem.empty())
        return Usage::fail(err, "classify", problem);
    auto trackers = CliOptions::shippedTrackers(err);
    auto orgs = CliOptions::shippedOrgTable(err);
    Verdict verdict = Classifier::classify(request.ip, request.host, trackers.get(), orgs.get());
    std::string sentence =
        request.app
            ? Explainer::sentence(*request.app, verdict, request.host, request.ip, request.lang)
            : Explainer::sentenceOfAnyProgram(verdict, request.host, request.ip, request.lang);
    if (request.json) {
        nlohmann::json json = {{"ip", request.ip},
                               {"dest", request.host.value_or(request.ip)},
                               {"verdict", verdict},
                               {"sentence", sentence}};
        out << JsonText::dump(json, 2) << "\n";
        return 0;
    }
    out << CliTexts::category(verdict.category, request.lang);
    if (verdict.company) out << ": " << *verdict.company;
    if (verdict.listed)
        out << ", " << CliTexts::word(CliTexts::Word::listedAs, request.lang) << *verdict.listed;
    out << "\n" << sentence << "\n";
    return 0;
}

} // namespace ClassifyCommand

#include "rules_command.h"

#include <ostream>

#include "base/dates.h"
#include "base/paths.h"
#include "base/unusable_file.h"
#include "store/rule_store.h"
#include "usage.h"

namespace RulesCommand {

namespace {

// Texts read from the rules file may hold control characters; they must not reach a terminal.
std::string printable(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return text;
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text + " ";
}

std::string joined(const std::optional<std::vector<std::string>>& ips) {
    std::string text;
    for (const std::string& ip : ips.value_or(std::vector<std::string>{}))
        text += (text.empty() ? "" : ",") + ip;
    return printable(text);
}

const char* onOff(bool value) {
    return value ? "on" : "off";
}

} // namespace

void print(const RuleSet& rules, bool json, std::ostream& out) {
    if (json) {
        out << RuleStore::encode(rules);
        return;
    }
    out << "rules: " << rules.rules.size() << "\n"
        << "block everything new: " << onOff(rules.blockNew)
        << " (baseline: " << rules.baseline.size() << " destinations)\n"
        << "block all listed: " << onOff(rules.blockAllListed) << "\n";
    if (rules.rules.empty()) return;
    out << padded("ACTION", 6) << padded("TARGET", 40) << padded("APP", 24) << padded("CREATED", 20)
        << "IPS\n";
    for (const Rule& rule : rules.rules)
        out << padded(RuleActions::name(rule.action), 6) << padded(printable(rule.target), 40)
            << padded(printable(rule.app.value_or("-")), 24)
            << padded(Dates::iso8601(rule.created), 20) << joined(rule.ips) << "\n";
}

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err) {
    bool json = false;
    for (const std::string& option : options) {
        if (option != "--json") return Usage::fail(err, "unknown option for rules: " + option);
        json = true;
    }
    Paths paths;
    RuleStore::Reading reading = RuleStore::read(paths);
    if (reading.problem) {
        err << "nattervane-cli: "
            << printable(UnusableFile::warning(paths.rulesFile(), *reading.problem)) << "\n";
        return 1;
    }
    (json ? err : out) << "rules file: " << paths.rulesFile() << "\n";
    print(reading.rules, json, out);
    return 0;
}

} // namespace RulesCommand

// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules_command.h"

#include <chrono>
#include <filesystem>
#include <ostream>
#include <variant>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app_channel.h"
#include "base/atomic_file.h"
#include "base/dates.h"
#include "base/owned_fd.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/unusable_file.h"
#include "base/utf8.h"
#include "store/rule_edit.h"
#include "store/rule_store.h"
#include "usage.h"

namespace RulesCommand {

namespace {

// A column of `width` characters and the space after it.
std::string padded(std::string text, size_t width) {
    return Utf8::padded(std::move(text), width) + " ";
}

std::string joined(const std::optional<std::vector<std::string>>& ips) {
    std::string text;
    for (const std::string& ip : ips.value_or(std::vector<std::string>{}))
        text += (text.empty() ? "" : ",") + ip;
    return Text::escapedForTerminal(text);
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
    out << padded("ACTION", 6) << padded("TARGET", 40) << padded("FOR", 32) << padded("APP", 24)
        << padded("CREATED", 20) << "IPS\n";
    for (const Rule& rule : rules.rules)
        out << padded(RuleActions::name(rule.action), 6)
            << padded(Text::escapedForTerminal(rule.target), 40)
            << padded(Text::escapedForTerminal(rule.program.value_or("every program")), 32)
            << padded(Text::escapedForTerminal(rule.app.value_or("-")), 24)
            << padded(Dates::iso8601(rule.created), 20) << joined(rule.ips) << "\n";
}

namespace {

// The edit of `rules set TARGET ACTION [--program PATH]` or `rules remove TARGET [--program
// PATH]`, or what is wrong with the words.
std::variant<RuleEdit, std::string> editOf(const std::vector<std::string>& words) {
    const bool set = words[0] == "set";
    const size_t fixed = set ? 3 : 2;
    if (words.size() < fixed)
        return "rules " + words[0] + " needs " + (set ? "a target and an action" : "a target");
    RuleEdit edit{{words[1], std::nullopt}, std::nullopt};
    if (set) {
        edit.action = RuleActions::from(words[2]);
        if (!edit.action) return "the action is allow, block or ask, not " + words[2];
    }
    for (size_t next = fixed; next < words.size(); next += 2) {
        if (words[next] != "--program") return "unknown option for rules: " + words[next];
        if (next + 1 == words.size()) return std::string("--program needs a path");
        edit.place.program = words[next + 1];
    }
    return edit;
}

// Makes `edit` in the rules file, holding the data folder's lock meanwhile. A data folder that
// does not exist yet is made.
Result<void> editFile(const Paths& paths, const RuleEdit& edit) {
    Result<FolderLock> lock = AppChannel::lockFolder(paths);
    if (!lock) return lock.error();
    RuleStore::Reading reading = RuleStore::read(paths);
    if (reading.problem)
        return Error{0, UnusableFile::warning(paths.rulesFile(), *reading.problem)};
    auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    if (Result<void> made = edit.applyTo(reading.rules, now); !made) return made;
    if (Result<void> saved = RuleStore::save(reading.rules, paths); !saved)
        return Error{saved.error().code, "not saved: " + saved.error().message};
    return {};
}

int change(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    std::variant<RuleEdit, std::string> parsed = editOf(words);
    if (auto* problem = std::get_if<std::string>(&parsed))
        return Usage::fail(err, "rules", *problem);
    RuleEdit edit = std::get<RuleEdit>(parsed);
    if (Result<void> usable = edit.check(); !usable) {
        err << "nattervane-cli: " << Text::escapedForTerminal(usable.error().message)
            << "; nothing changed\n";
        return 1;
    }
    Paths paths;
    if (std::optional<std::string> answer = AppChannel::send(paths, edit.line())) {
        if (*answer != "ok") {
            err << "nattervane-cli: the application said: " << Text::escapedForTerminal(*answer)
                << "\n";
            return 1;
        }
        out << "changed by the running application\n";
        return 0;
    }
    if (Result<void> done = editFile(paths, edit); !done) {
        err << "nattervane-cli: " << Text::escapedForTerminal(done.error().message)
            << "; nothing changed\n";
        return 1;
    }
    out << "changed in " << paths.rulesFile() << "\n";
    return 0;
}

} // namespace

int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err) {
    if (!options.empty() && (options[0] == "set" || options[0] == "remove"))
        return change(options, out, err);
    bool json = false;
    for (const std::string& option : options) {
        if (option != "--json")
            return Usage::fail(err, "rules", "unknown option for rules: " + option);
        json = true;
    }
    Paths paths;
    RuleStore::Reading reading = RuleStore::read(paths);
    if (reading.problem) {
        err << "nattervane-cli: "
            << Text::escapedForTerminal(UnusableFile::warning(paths.rulesFile(), *reading.problem))
            << "\n";
        return 1;
    }
    (json ? err : out) << "rules file: " << paths.rulesFile() << "\n";
    print(reading.rules, json, out);
    return 0;
}

} // namespace RulesCommand

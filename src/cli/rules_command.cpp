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

#include "base/atomic_file.h"
#include "base/dates.h"
#include "base/owned_fd.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/unusable_file.h"
#include "base/utf8.h"
#include "folder_lock.h"
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

// Whether the process at the other end of `fd` is this user's.
bool peerIsThisUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == geteuid();
}

// Sends `edit` to the application running for `paths`; its answer, or absent when none runs.
// Nothing is sent to a socket in a folder others may write in, or to another user's process.
std::optional<std::string> sendToApplication(const Paths& paths, const RuleEdit& edit) {
    if (Result<void> folder = paths.prepareSocketFolder(); !folder)
        return "error: " + folder.error().message;
    std::string socketPath = paths.instanceSocket();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return std::nullopt;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    OwnedFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd || connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return std::nullopt;
    if (!peerIsThisUser(fd.get()))
        return "error: the program listening at " + socketPath + " is not this user's";
    timeval timeout{5, 0};
    setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string line = edit.line(), answer;
    if (!AtomicFile::writeAll(fd.get(), line)) return std::nullopt;
    char c;
    while (answer.size() < 4096 && read(fd.get(), &c, 1) == 1 && c != '\n')
        answer += c;
    return answer.empty() ? "error: the application did not answer" : answer;
}

// Makes `edit` in the rules file, holding the data folder's lock meanwhile. A data folder that
// does not exist yet is made.
Result<void> editFile(const Paths& paths, const RuleEdit& edit) {
    std::error_code code;
    std::filesystem::create_directories(paths.root, code);
    if (code) return Error::fromCode("cannot create " + paths.root, code);
    // Files root wrote in another user's folder would be root's, and that user's program could no
    // longer read them.
    struct stat folder {};
    if (stat(paths.root.c_str(), &folder) != 0)
        return Error::fromErrno("cannot read " + paths.root);
    if (folder.st_uid != geteuid())
        return Error{EPERM, paths.root + " belongs to another user; run this as that user"};
    Result<FolderLock> lock = FolderLock::take(paths.lockFile());
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
    if (std::optional<std::string> answer = sendToApplication(paths, edit)) {
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper_options.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

struct Synopsis {
    std::string_view command;
    // After "nattervane-helper "; further lines indented under the first.
    std::string_view text;
};

constexpr std::array<Synopsis, 4> synopses{{
    {"apply",
     "apply DIR [--user NAME] [--hosts PATH] [--status PATH]\n"
     "                         [--dns hosts|resolved|networkmanager|own] [--servers PATH]\n"
     "                         [--listed PATH] [--dry-run]\n"},
    {"remove", "remove [--hosts PATH] [--status PATH] [--servers PATH] [--dry-run]\n"},
    {"names", "names QUERY_LOG [--out PATH] [--user NAME]\n"},
    {"events", "events [--socket PATH] [--programs PATH] [--names PATH]\n"
               "                         [--user NAME]\n"},
}};

} // namespace

std::string HelperOptions::usage() {
    std::string text;
    for (const Synopsis& synopsis : synopses)
        text.append(text.empty() ? "usage: " : "       ")
            .append("nattervane-helper ")
            .append(synopsis.text);
    return text + "       nattervane-helper -h|--help | -V|--version\n";
}

std::string HelperOptions::shortUsage(const std::vector<std::string>& arguments) {
    const auto found =
        arguments.empty()
            ? synopses.end()
            : std::ranges::find(synopses, std::string_view(arguments[0]), &Synopsis::command);
    const std::string_view line = found == synopses.end() ? "COMMAND [OPTIONS]\n" : found->text;
    return "usage: nattervane-helper " + std::string(line) + "Try 'nattervane-helper --help'.\n";
}

std::variant<HelperOptions, std::string>
HelperOptions::parse(const std::vector<std::string>& arguments,
                     const platform::Descriptor& platform) {
    HelperOptions options;
    options.statusFile = platform.helperStatusPath;
    if (arguments.empty()) return std::string("no command given");
    if (arguments[0] == "remove")
        options.command = Command::remove;
    else if (arguments[0] == "names")
        options.command = Command::names;
    else if (arguments[0] == "events") {
        options.command = Command::events;
        options.eventsSocket = platform.eventsSocketPath;
    } else if (arguments[0] != "apply")
        return "unknown command " + arguments[0];
    size_t next = 1;
    if (options.command == Command::apply) {
        if (arguments.size() < 2 || arguments[1].starts_with("--"))
            return std::string("apply needs the directory of the block files");
        options.directory = arguments[1];
        next = 2;
    }
    if (options.command == Command::names) {
        if (arguments.size() < 2 || arguments[1].starts_with("--"))
            return std::string("names needs the query log to follow");
        options.queryLog = arguments[1];
        next = 2;
    }
    // The services take a user and the paths they use.
    if (options.command == Command::names || options.command == Command::events) {
        const bool names = options.command == Command::names;
        for (; next < arguments.size(); next += 2) {
            const std::string& option = arguments[next];
            std::string* value = option == "--user"                 ? &options.user.emplace()
                                 : option == "--out" && names       ? &options.namesFile
                                 : option == "--socket" && !names   ? &options.eventsSocket
                                 : option == "--programs" && !names ? &options.programRules
                                 : option == "--names" && !names    ? &options.namesFile
                                                                    : nullptr;
            if (!value) return "unknown option " + option;
            if (next + 1 == arguments.size() || arguments[next + 1].empty())
                return option + " needs a value";
            *value = arguments[next + 1];
        }
        return options;
    }
    for (; next < arguments.size(); ++next) {
        const std::string& option = arguments[next];
        if (option == "--dry-run") {
            options.dryRun = true;
            continue;
        }
        const bool apply = options.command == Command::apply;
        std::string dns;
        std::string* value = option == "--hosts"             ? &options.hostsFile
                             : option == "--status"          ? &options.statusFile
                             : option == "--servers"         ? &options.serversFile
                             : option == "--listed" && apply ? &options.listedFile
                             : option == "--dns" && apply    ? &dns
                                                             : nullptr;
        bool user = option == "--user" && apply;
        if (!value && !user) return "unknown option " + option;
        if (next + 1 == arguments.size() || arguments[next + 1].empty())
            return option + " needs a value";
        (value ? *value : options.user.emplace()) = arguments[++next];
        if (option == "--dns") {
            auto mode = DnsBlock::parseMode(dns);
            if (!mode) return "unknown DNS mode " + dns;
            options.dnsMode = *mode;
        }
        options.hostsGiven = options.hostsGiven || option == "--hosts";
    }
    return options;
}

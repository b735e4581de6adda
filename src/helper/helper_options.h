// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "dns_block.h"
#include "platform.h"

// The command line of nattervane-helper.
struct HelperOptions {
    enum class Command { apply, remove, names, events };

    Command command = Command::apply;
    // The directory holding block_ips.txt and block_domains.txt (apply only).
    std::string directory;
    std::string hostsFile = "/etc/hosts";
    // The system's name cache is flushed only when the real hosts file was changed.
    bool hostsGiven = false;
    std::string statusFile;
    // How blocked domains reach DNS (chosen by nv-install.sh), the dnsmasq servers-file the
    // helper writes, and the shipped tracker list that tells listed domains from the user's own.
    DnsBlock::Mode dnsMode = DnsBlock::Mode::hosts;
    std::string serversFile = "/var/lib/nattervane/dns-block.conf";
    std::string listedFile = "/usr/local/lib/nattervane/trackers.txt";
    // Login name whose block files alone are accepted (names: who may read the names); absent:
    // the user running the helper.
    std::optional<std::string> user;
    // Print the firewall script and the status line; change nothing.
    bool dryRun = false;
    // names: the dnsmasq query log to follow and the file the names go to.
    std::string queryLog = {};
    std::string namesFile = "/run/nattervane/names";
    // events: the socket the application connects to, and the block file of program rules.
    std::string eventsSocket = {};
    std::string programRules = {};

    bool operator==(const HelperOptions&) const = default;

    // The options of `arguments` (without the program name), or the reason they are wrong.
    static std::variant<HelperOptions, std::string> parse(const std::vector<std::string>& arguments,
                                                          const platform::Descriptor& platform);
    // Every way to call the program, for --help.
    static std::string usage();
    // For a wrong command line: the usage of the command `arguments` start with (every command's
    // when it is none of them) and where the help is.
    static std::string shortUsage(const std::vector<std::string>& arguments);
};

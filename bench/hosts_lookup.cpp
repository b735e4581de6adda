// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of the hosts block for every name lookup on the machine.
//
//   hosts_lookup make TRACKERS PLAIN BLOCKED
//       writes this machine's hosts file unchanged to PLAIN, and with the block the helper
//       writes when every listed tracker domain is blocked to BLOCKED; /etc/hosts is only read
//   hosts_lookup time COUNT
//       prints the mean time of one getaddrinfo("localhost") over COUNT lookups
//   hosts_lookup lookups COUNT NAME...
//       COUNT getaddrinfo lookups going round the names; "%d" in a name becomes the lookup's
//       number (a name never asked before). Prints the mean time in microseconds and how many
//       lookups found no address.
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <netdb.h>

#include "base/atomic_file.h"
#include "classify/tracker_list.h"
#include "hosts_block.h"
#include "store/rule_set.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        found.push_back(line);
    return found;
}

// Says why an input could not be read; the exit status for it.
int unreadable(const Error& error) {
    std::fprintf(stderr, "hosts_lookup: %s\n", error.message.c_str());
    return 1;
}

int make(const std::string& trackers, const std::string& plain, const std::string& blocked) {
    TrackerList list;
    if (Result<void> loaded = list.loadFile(trackers); !loaded) return unreadable(loaded.error());
    Result<std::string> hosts = AtomicFile::read("/etc/hosts");
    if (!hosts) return unreadable(hosts.error());
    RuleSet rules;
    rules.blockAllListed = true;
    std::vector<std::string> domains = lines(rules.exportDomains(&list.domains()));
    std::string merged = HostsBlock::merge(*hosts, domains);
    std::printf("%zu domains, hosts file %zu bytes plain, %zu bytes blocked\n", domains.size(),
                hosts->size(), merged.size());
    return AtomicFile::write(plain, *hosts) && AtomicFile::write(blocked, merged) ? 0 : 1;
}

int time(int count) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < count; ++n) {
        addrinfo* result = nullptr;
        if (getaddrinfo("localhost", nullptr, &hints, &result) != 0) return 1;
        freeaddrinfo(result);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f\n", seconds * 1e6 / count);
    return 0;
}

int lookups(int count, const std::vector<std::string>& names) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    int failed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < count; ++n) {
        std::string name = names[static_cast<size_t>(n) % names.size()];
        if (size_t at = name.find("%d"); at != std::string::npos)
            name.replace(at, 2, std::to_string(n));
        addrinfo* result = nullptr;
        if (getaddrinfo(name.c_str(), nullptr, &hints, &result) != 0)
            ++failed;
        else
            freeaddrinfo(result);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f %d\n", seconds * 1e6 / count, failed);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 4 && arguments[0] == "make")
        return make(arguments[1], arguments[2], arguments[3]);
    if (arguments.size() == 2 && arguments[0] == "time") return time(std::stoi(arguments[1]));
    if (arguments.size() >= 3 && arguments[0] == "lookups")
        return lookups(std::stoi(arguments[1]), {arguments.begin() + 2, arguments.end()});
    std::fprintf(stderr, "usage: hosts_lookup make TRACKERS PLAIN BLOCKED | time COUNT | lookups "
                         "COUNT NAME...\n");
    return 2;
}

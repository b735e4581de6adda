// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>

#include <sys/types.h>

// `nattervane-helper events`: the root service that sees each connection as it is made, through
// hooks in the kernel, and tells the installing user's application of them over its socket. The
// same hooks refuse what the user's program rules block.
namespace EventsService {

struct Settings {
    std::string socketPath;
    // Let in besides root.
    uid_t user = 0;
    // Where the cgroup (v2) hierarchy, whose root the hooks are attached to, is found.
    std::string mountInfo = "/proc/self/mountinfo";
    // How often the kernel side's records are read when it does not wake the service first.
    std::chrono::milliseconds batch{100};
    // How often clients hear from the service when nothing happens.
    std::chrono::milliseconds beat{1000};
    // The application's block file of program rules (empty: none), and the names the DNS service
    // publishes, which tell the addresses of a rule's domain.
    std::string programRules;
    std::string namesFile;
    // How often the rules, the names and the programs' executables are looked at again.
    std::chrono::milliseconds rulesCheck{250};
    // The folder of a BPF file system where the hooks are pinned, so that they and the rules in
    // force outlive the service (see ConnectHooks); empty: not pinned.
    std::string pinDir = "/sys/fs/bpf/nattervane";
    // Whether connections to ask about are held in a netfilter queue until the user answers.
    bool hold = true;
};

// Runs until `stop` becomes true, then removes its socket; 0 after a stop, 3 when this kernel
// cannot run the hooks, 1 when anything else fails (why goes to `err`).
int run(const Settings& settings, const std::atomic<bool>& stop, std::ostream& err);

} // namespace EventsService

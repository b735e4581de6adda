// SPDX-License-Identifier: GPL-3.0-or-later
#include "hold_rules.h"

#include <cstdio>

#include "base/tool_runner.h"
#include "bpf/connect_event.h"

namespace HoldRules {

namespace {

constexpr const char* nft = "/usr/sbin/nft";
constexpr const char* table = "inet nattervane_hold";
constexpr const char* chain = "NATTERVANE_HOLD";

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

// Matches a mark of ours on `what` ("socket mark", "meta mark").
std::string ours(const std::string& what) {
    return what + " & " + hex(NV_HOLD_MASK) + " == " + hex(NV_HOLD_TAG);
}

std::string theirs(const std::string& what) {
    return what + " & " + hex(NV_HOLD_MASK) + " != " + hex(NV_HOLD_TAG);
}

// Packets the service refused carry its mark: the program hears at once (a reset for TCP, a
// port unreachable for UDP).
std::string refuseChain() {
    const std::string refused = "meta mark " + hex(NV_REFUSE_MARK);
    return "  chain refuse {\n"
           "    type filter hook output priority 10; policy accept;\n"
           "    " +
           refused +
           " meta l4proto tcp reject with tcp reset\n"
           "    " +
           refused +
           " reject\n"
           "  }\n";
}

std::string queueChain(uint16_t queue) {
    const std::string to = " queue num " + std::to_string(queue) + " bypass\n";
    return "  chain hold {\n"
           "    type filter hook output priority -140; policy accept;\n"
           "    " +
           ours("socket mark") + " tcp flags & (syn | ack) == syn" + to + "    " +
           ours("socket mark") + " meta l4proto udp ct state new" + to + "  }\n";
}

// The packet's mark is made the socket's wherever either is ours, before iptables' mangle chain.
std::string tagChain() {
    return "  chain tag {\n"
           "    type filter hook output priority -160; policy accept;\n"
           "    " +
           ours("socket mark") +
           " meta mark set socket mark\n"
           "    " +
           ours("meta mark") + " " + theirs("socket mark") +
           " meta mark set socket mark\n"
           "  }\n";
}

bool run(const std::vector<std::string>& argv, const std::string& input = "") {
    ToolRunner::Options options;
    if (!input.empty()) options.input = input;
    Result<ToolRunner::Outcome> outcome = ToolRunner::run(argv, options);
    return outcome && outcome->status == 0;
}

std::string replaced(const std::string& body) {
    return std::string("table ") + table + " {}\ndelete table " + table + "\ntable " + table +
           " {\n" + body + "}\n";
}

} // namespace

std::string name(Path path) {
    switch (path) {
    case Path::nftQueue:
        return "nft queue";
    case Path::iptables:
        return "iptables NFQUEUE";
    case Path::none:
        break;
    }
    return "";
}

std::string nftScript(Path path, uint16_t queue) {
    if (path == Path::nftQueue) return replaced(queueChain(queue) + refuseChain());
    return replaced(tagChain() + refuseChain());
}

std::vector<std::vector<std::string>> iptablesCommands(uint16_t queue) {
    std::vector<std::vector<std::string>> commands;
    const std::vector<std::string> mark{"-m", "mark", "--mark",
                                        hex(NV_HOLD_TAG) + "/" + hex(NV_HOLD_MASK)};
    const std::vector<std::string> to{"-j", "NFQUEUE", "--queue-num", std::to_string(queue),
                                      "--queue-bypass"};
    for (const char* tool : {"/usr/sbin/iptables", "/usr/sbin/ip6tables"}) {
        const std::vector<std::string> base{tool, "-w", "-t", "mangle"};
        auto command = [&](std::vector<std::string> words) {
            words.insert(words.begin(), base.begin(), base.end());
            commands.push_back(std::move(words));
        };
        command({"-N", chain});
        command({"-F", chain});
        std::vector<std::string> tcp{"-A", chain, "-p", "tcp", "--tcp-flags", "SYN,ACK", "SYN"};
        std::vector<std::string> udp{"-A", chain,       "-p",        "udp",
                                     "-m", "conntrack", "--ctstate", "NEW"};
        for (auto* rule : {&tcp, &udp}) {
            rule->insert(rule->end(), mark.begin(), mark.end());
            rule->insert(rule->end(), to.begin(), to.end());
            command(*rule);
        }
        command({"-I", "OUTPUT", "-j", chain});
    }
    return commands;
}

Result<Path> install(uint16_t queue) {
    remove();
    if (run({nft, "-f", "-"}, nftScript(Path::nftQueue, queue))) return Path::nftQueue;
    if (!run({nft, "-f", "-"}, nftScript(Path::iptables, queue)))
        return Error{0, "nftables takes neither the queue nor the socket mark rules"};
    for (const std::vector<std::string>& command : iptablesCommands(queue))
        // A chain left from an earlier run is there already; every other step must succeed.
        if (!run(command) && command[4] != "-N") {
            remove();
            return Error{0, "iptables cannot send packets to a queue"};
        }
    return Path::iptables;
}

void remove() {
    run({nft, "delete", "table", "inet", "nattervane_hold"});
    for (const char* tool : {"/usr/sbin/iptables", "/usr/sbin/ip6tables"}) {
        // As many jumps as earlier runs may have left, and no more.
        for (int left = 8;
             left > 0 && run({tool, "-w", "-t", "mangle", "-D", "OUTPUT", "-j", chain}); --left) {
        }
        run({tool, "-w", "-t", "mangle", "-F", chain});
        run({tool, "-w", "-t", "mangle", "-X", chain});
    }
}

} // namespace HoldRules

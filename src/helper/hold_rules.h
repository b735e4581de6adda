// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"

// The netfilter rules that send the first packet of each marked connection to the service's
// queue, with the kernel's bypass (no reader: the packet goes on), and reject the packets the
// service refuses. Kernels with nftables' queue expression take them all in one nftables table;
// others (whose nftables lacks it) take the queue rule from iptables' NFQUEUE target, with the
// socket's mark copied onto the packet first: an unconnected UDP datagram is made before the hook
// marks its socket.
namespace HoldRules {

enum class Path { none, nftQueue, iptables };

// How the path is said in the service's greeting and status.
std::string name(Path path);

// The nftables script of `path` for queue `queue`.
std::string nftScript(Path path, uint16_t queue);
// The iptables and ip6tables commands of the iptables path, after the table was loaded.
std::vector<std::vector<std::string>> iptablesCommands(uint16_t queue);

// Puts the rules in place: the nftables path when the kernel takes it, else the iptables path.
// Which path is in force, or why neither could be.
Result<Path> install(uint16_t queue);
// Takes every rule of ours out again, whichever path put them in.
void remove();

} // namespace HoldRules

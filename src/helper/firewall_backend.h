// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/tool_runner.h"
#include "block_lines.h"
#include "platform.h"

// How the helper programs this system's packet filter and flushes its name cache.
struct FirewallBackend {
    // The command that loads a script from its standard input in one transaction.
    std::vector<std::string> applyCommand;
    std::function<std::string(const BlockLines::Entries&)> applyScript;
    // The command that takes every rule of ours out again, and what it reads.
    std::vector<std::string> removeCommand;
    std::string removeScript;
    // Each is run after the hosts file changed; failures do not matter.
    std::vector<std::vector<std::string>> flushCommands;
    // Keeps the packet filter enabled while our rules are loaded, and lets go of it again.
    std::function<void()> afterApply = [] {};
    std::function<void()> afterRemove = [] {};

    static FirewallBackend forPlatform(const platform::Descriptor& platform);
    // How the helper runs each command: `input` on its standard input, standard error merged
    // into the output, and time enough for a packet filter to load a large rule set.
    static ToolRunner::Options commandOptions(std::string input = "");
};

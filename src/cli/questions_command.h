// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `nattervane-cli questions [--json]`: the connections the event service holds until the user
// answers; `nattervane-cli questions allow|block ID`: lets one question's connections through, or
// blocks them, once.
namespace QuestionsCommand {

// Exit status 0, 1 when the service cannot be asked or no such question waits, 2 for bad usage.
int run(const std::vector<std::string>& options, std::ostream& out, std::ostream& err);
// The same, with the service's socket at `socketPath`.
int run(const std::vector<std::string>& options, const std::string& socketPath, std::ostream& out,
        std::ostream& err);

} // namespace QuestionsCommand

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

#include "firewall_backend.h"
#include "helper_options.h"

// The privileged apply and remove steps.
namespace Helper {

// Largest block file accepted: the whole tracker list takes a few MiB.
inline constexpr size_t maxBlockFileBytes = 64 * 1024 * 1024;

// Runs the command of `options` with `firewall`; messages go to `out` (dry run) and `err`.
// 0 on success, 1 when something could not be applied, 2 for a wrong user name.
int run(const HelperOptions& options, const FirewallBackend& firewall, std::ostream& out,
        std::ostream& err);

} // namespace Helper

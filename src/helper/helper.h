#pragma once

#include <ostream>

#include "firewall_backend.h"
#include "helper_options.h"

// The privileged apply and remove steps.
namespace Helper {

// Largest part of a block file that is read; the rest counts as one rejected line.
inline constexpr size_t maxBlockFileBytes = 64 * 1024 * 1024;

// Runs the command of `options` with `firewall`; messages go to `out` (dry run) and `err`.
// 0 on success, 1 when something could not be applied, 2 for a wrong user name.
int run(const HelperOptions& options, const FirewallBackend& firewall, std::ostream& out,
        std::ostream& err);

} // namespace Helper

#include "base/paths.h"

#include <cstdlib>

namespace {

std::string chooseRoot(const std::optional<std::string>& root,
                       const platform::Descriptor& platform) {
    if (root) return *root;
    // An empty value would put the data in whatever directory the program was started from.
    if (const char* home = std::getenv("NATTERVANE_HOME"); home && *home) return home;
    return platform.dataRoot();
}

} // namespace

Paths::Paths(const std::optional<std::string>& root, const platform::Descriptor& platform)
    : root(chooseRoot(root, platform)), helperStatus(platform.helperStatusPath) {}

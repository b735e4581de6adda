#include "base/paths.h"

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

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

Result<void> Paths::prepareRoot() const {
    const std::string what = "cannot use the data folder " + root;
    std::error_code failure;
    std::filesystem::create_directories(root, failure);
    if (failure) return Error::fromCode(what, failure);
    if (!std::filesystem::is_directory(root, failure))
        return Error::fromCode(what, failure ? failure
                                             : std::make_error_code(std::errc::not_a_directory));
    // Write access is refused on a read-only filesystem too, even to root.
    if (access(root.c_str(), R_OK | W_OK | X_OK) != 0) return Error::fromErrno(what);
    return {};
}

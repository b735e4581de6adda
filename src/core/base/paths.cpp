#include "base/paths.h"

#include <cstdint>
#include <cstdio>
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

std::string Paths::instanceSocket() const {
    std::error_code ignored;
    std::string canonical = std::filesystem::weakly_canonical(root, ignored).string();
    // FNV-1a: the same name from every program that asks, whatever its build.
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : canonical)
        hash = (hash ^ c) * 1099511628211ull;
    char name[48];
    std::snprintf(name, sizeof name, "/nattervane-%016llx.socket",
                  static_cast<unsigned long long>(hash));
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return std::string(runtime && *runtime ? runtime : "/tmp") + name;
}

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

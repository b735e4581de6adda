#include "base/paths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

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

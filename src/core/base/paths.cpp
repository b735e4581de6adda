// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/paths.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string chooseRoot(const std::optional<std::string>& root,
                       const platform::Descriptor& platform) {
    if (root) return *root;
    // An empty value would put the data in whatever directory the program was started from.
    if (const char* home = std::getenv("NATTERVANE_HOME"); home && *home) return home;
    return platform.dataRoot();
}

std::string socketFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return runtime;
    // Never a name another user could take first: the folder is this user's own, made 0700.
    return "/tmp/nattervane-" + std::to_string(geteuid());
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
    return socketFolder() + name;
}

Result<void> Paths::prepareSocketFolder() const {
    std::string folder = socketFolder();
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return Error::fromErrno("cannot make the folder " + folder);
    struct stat status {};
    if (lstat(folder.c_str(), &status) != 0) return Error::fromErrno("cannot read " + folder);
    if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid() || (status.st_mode & 022) != 0)
        return Error{EPERM, folder + " is not a folder that only this user can write in"};
    return {};
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/resources.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "platform.h"

namespace Resources {

namespace fs = std::filesystem;

namespace {

std::string ownExecutable() {
    return platform::current().executablePath(getpid()).value_or("");
}

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// `name` in the first of the platform's resource folders around `executable` that holds it.
std::optional<fs::path> shipped(const platform::Descriptor& platform, const std::string& executable,
                                const fs::path& name) {
    if (executable.empty()) return std::nullopt;
    const fs::path folder = fs::path(executable).parent_path();
    for (const std::string& dir : platform.resourceDirs) {
        fs::path candidate = (folder / dir / name).lexically_normal();
        if (isFile(candidate)) return candidate;
    }
    return std::nullopt;
}

} // namespace

std::string path(std::string_view name) {
    return path(name, ownExecutable());
}

std::string path(std::string_view name, const std::string& executable) {
    if (auto found = shipped(platform::current(), executable, name)) return found->string();
    return std::string(NATTERVANE_RESOURCES) + "/" + std::string(name);
}

std::optional<std::string> helperDir(const platform::Descriptor& platform) {
    return helperDir(platform, ownExecutable());
}

std::optional<std::string> helperDir(const platform::Descriptor& platform,
                                     const std::string& executable) {
    if (auto found = shipped(platform, executable, fs::path("helper") / "nv-install.sh"))
        return found->parent_path().string();
    fs::path resources(NATTERVANE_RESOURCES);
    if (!isFile(resources / "trackers.txt")) return std::nullopt;
    return (resources.parent_path() / "helper" / platform.name).string();
}

} // namespace Resources

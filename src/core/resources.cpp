#include "resources.h"

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

// The installed resources folder of the program at `executable`.
fs::path installedDir(const std::string& executable) {
    return fs::path(executable).parent_path().parent_path() / "share" / "nattervane";
}

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

std::string path(std::string_view name) {
    return path(name, ownExecutable());
}

std::string path(std::string_view name, const std::string& executable) {
    if (!executable.empty() && isFile(installedDir(executable) / name))
        return (installedDir(executable) / name).string();
    return std::string(NATTERVANE_RESOURCES) + "/" + std::string(name);
}

std::optional<std::string> helperDir(const platform::Descriptor& platform) {
    return helperDir(platform, ownExecutable());
}

std::optional<std::string> helperDir(const platform::Descriptor& platform,
                                     const std::string& executable) {
    if (!executable.empty() && isFile(installedDir(executable) / "helper" / "nv-install.sh"))
        return (installedDir(executable) / "helper").string();
    fs::path resources(NATTERVANE_RESOURCES);
    if (!isFile(resources / "trackers.txt")) return std::nullopt;
    return (resources.parent_path() / "helper" / platform.name).string();
}

} // namespace Resources

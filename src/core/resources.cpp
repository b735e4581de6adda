#include "resources.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "platform.h"

namespace Resources {

std::string path(std::string_view name) {
    return path(name, platform::current().executablePath(getpid()).value_or(""));
}

std::string path(std::string_view name, const std::string& executable) {
    namespace fs = std::filesystem;
    if (!executable.empty()) {
        fs::path installed =
            fs::path(executable).parent_path().parent_path() / "share" / "nattervane" / name;
        std::error_code error;
        if (fs::is_regular_file(installed, error)) return installed.string();
    }
    return std::string(NATTERVANE_RESOURCES) + "/" + std::string(name);
}

} // namespace Resources

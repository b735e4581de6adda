// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/autostart.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <system_error>

#include <unistd.h>

#include "base/atomic_file.h"

namespace Autostart {

namespace fs = std::filesystem;

namespace {

constexpr const char* entryName = "autostart/nattervane.desktop";

// One Exec argument: quoted when it holds a reserved character, with the desktop entry escapes
// for the quoted form, then for the string value, and with % doubled.
std::string execArgument(const std::string& argument) {
    constexpr std::string_view reserved = " \t\"'\\><~|&;$*?#()`";
    if (argument.find_first_of(reserved) == std::string::npos) {
        std::string plain;
        for (char c : argument)
            plain += c == '%' ? std::string("%%") : std::string(1, c);
        return plain;
    }
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$') quoted += "\\\\";
        if (c == '\\') quoted += "\\\\\\";
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return quoted + "\"";
}

} // namespace

std::optional<std::string> entryPath(const std::optional<std::string>& configHome,
                                     const std::string& home) {
    if (configHome && configHome->starts_with('/')) return *configHome + "/" + entryName;
    if (home.empty()) return std::nullopt;
    return home + "/.config/" + entryName;
}

std::string besideTool(const std::string& tool) {
    if (tool.empty()) return {};
    const fs::path folder = fs::path(tool).parent_path();
    for (const fs::path& candidate :
         {folder / "nattervane", folder.parent_path() / "app/nattervane"}) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error) && access(candidate.c_str(), X_OK) == 0)
            return candidate.lexically_normal().string();
    }
    return {};
}

std::string program(const std::string& application, const std::optional<std::string>& path) {
    if (application.empty()) return "nattervane";
    std::istringstream folders(path.value_or(""));
    for (std::string folder; std::getline(folders, folder, ':');) {
        std::error_code error;
        if (!folder.empty() && access((fs::path(folder) / "nattervane").c_str(), X_OK) == 0 &&
            fs::equivalent(fs::path(folder) / "nattervane", application, error))
            return "nattervane";
    }
    return application;
}

std::optional<std::string> entryText(const std::string& program) {
    if (std::ranges::any_of(program, [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Nattervane\n"
           "Comment=Which programs talk to the network, and to whom\n"
           "Exec=" +
           execArgument(program) +
           "\n"
           "Icon=nattervane\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

Result<void> enable(const std::string& path, const std::string& program) {
    auto text = entryText(program);
    if (!text) return Error{0, "the program's path holds a control character"};
    std::error_code failure;
    fs::create_directories(fs::path(path).parent_path(), failure);
    if (failure) return Error{failure.value(), path + ": " + failure.message()};
    return AtomicFile::write(path, *text);
}

Result<void> disable(const std::string& path) {
    std::error_code failure;
    fs::remove(path, failure);
    if (failure) return Error{failure.value(), path + ": " + failure.message()};
    return {};
}

bool isOn(const std::string& path) {
    auto text = AtomicFile::read(path);
    if (!text) return false;
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);)
        if (line == "Hidden=true") return false;
    return true;
}

} // namespace Autostart

// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/desktop_entry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/text.h"
#include "platform.h"

namespace DesktopEntry {

namespace {

std::string_view fileName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The program word of an Exec= line: its first word, without quotes and any "env VAR=x" prefix.
std::string_view program(std::string_view command) {
    std::vector<std::string_view> words = Text::words(command);
    size_t first = 0;
    if (!words.empty() && fileName(words[0]) == "env") {
        first = 1;
        while (first < words.size() && words[first].find('=') != std::string_view::npos)
            ++first;
    }
    if (first >= words.size()) return {};
    std::string_view word = words[first];
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
        word = word.substr(1, word.size() - 2);
    return word;
}

bool runs(std::string_view command, std::string_view executable) {
    const std::string_view word = program(command);
    if (word.empty()) return false;
    if (word.front() == '/') return word == executable;
    return word == fileName(executable);
}

} // namespace

std::optional<std::string> iconFor(std::string_view entryText, std::string_view executable) {
    bool inEntry = false;
    bool matches = false;
    std::optional<std::string> icon;
    for (std::string_view line : Text::lines(entryText)) {
        line = Text::trimmed(line);
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = Text::trimmed(line.substr(0, equals));
        const std::string_view value = Text::trimmed(line.substr(equals + 1));
        if (key == "Exec" || key == "TryExec") matches = matches || runs(value, executable);
        if (key == "Icon" && !value.empty()) icon = std::string(value);
    }
    return matches ? icon : std::nullopt;
}

std::optional<std::string> find(const std::vector<std::string>& directories,
                                std::string_view executable) {
    std::error_code error;
    for (const std::string& directory : directories)
        for (const auto& file : std::filesystem::directory_iterator(directory, error)) {
            if (file.path().extension() != ".desktop") continue;
            std::ifstream in(file.path());
            std::stringstream text;
            text << in.rdbuf();
            if (auto icon = iconFor(text.str(), executable)) return icon;
        }
    return std::nullopt;
}

std::vector<std::string> applicationDirectories() {
    std::vector<std::string> directories;
    const char* home = std::getenv("XDG_DATA_HOME");
    directories.push_back(
        (home && *home ? std::string(home) : platform::homeDirectory() + "/.local/share") +
        "/applications");
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    const std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    for (std::string_view dir : Text::splitNonEmpty(list, ':'))
        directories.push_back(std::string(dir) + "/applications");
    return directories;
}

} // namespace DesktopEntry

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Program icons named by the desktop entries (.desktop files) of freedesktop systems.
namespace DesktopEntry {

// The Icon= value of the [Desktop Entry] group when its Exec= or TryExec= program is
// `executable` (a full path, or a file name compared with the executable's file name).
std::optional<std::string> iconFor(std::string_view entryText, std::string_view executable);

// The first icon for `executable` among the .desktop files directly in `directories`.
std::optional<std::string> find(const std::vector<std::string>& directories,
                                std::string_view executable);

// $XDG_DATA_HOME (or ~/.local/share) and $XDG_DATA_DIRS (or /usr/local/share:/usr/share), each
// with "/applications".
std::vector<std::string> applicationDirectories();

} // namespace DesktopEntry

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "base/result.h"

// The user's XDG autostart entry, which makes the desktop start the application at login.
namespace Autostart {

// `<configHome>/autostart/nattervane.desktop` when `configHome` (XDG_CONFIG_HOME) is an absolute
// path, else `<home>/.config/autostart/nattervane.desktop`; absent when neither gives a folder.
std::optional<std::string> entryPath(const std::optional<std::string>& configHome,
                                     const std::string& home);

// The application beside the command-line tool at `tool`: `nattervane` in the same folder (an
// installed tree) or in the build tree's application folder, when it is an executable file;
// empty when neither is.
std::string besideTool(const std::string& tool);

// What the entry's Exec starts for the application at `application`: the bare name when a lookup
// of `nattervane` on `path` (a PATH value) finds this very file, else `application` itself, so
// the program started at login is the one switched on; the bare name when `application` is empty.
std::string program(const std::string& application, const std::optional<std::string>& path);

// The desktop entry that starts `program`; absent when the path holds a control character, which
// an entry cannot carry.
std::optional<std::string> entryText(const std::string& program);

// Writes the entry at `path` (creating its folder) for `program`.
Result<void> enable(const std::string& path, const std::string& program);

// Removes the entry; succeeds when no entry is left, also when there was none.
Result<void> disable(const std::string& path);

// An entry exists and does not carry `Hidden=true`, the key desktops use to switch one off.
bool isOn(const std::string& path);

} // namespace Autostart

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "base/paths.h"
#include "base/result.h"
#include "folder_lock.h"

// How the command-line tool changes what the application keeps: through the application running
// for the data folder when there is one, else in the files under the folder's lock.
namespace AppChannel {

// Sends one request `line` (ending in a newline) to the application running for `paths`; its
// answer, or absent when none runs. Nothing is sent to a socket in a folder others may write in,
// or to another user's process.
std::optional<std::string> send(const Paths& paths, const std::string& line);

// Makes the data folder when missing and takes its lock; fails when the folder is another
// user's or a running process holds the lock.
Result<FolderLock> lockFolder(const Paths& paths);

} // namespace AppChannel

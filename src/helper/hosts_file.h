// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

#include "base/result.h"

// The hosts file, changed only in its one marked block and only when that is safe.
namespace HostsFile {

// What an update that succeeded did: the file holds the wanted block either way.
enum class Change { none, rewritten };

// Where the previous text is kept when the file has to be rewritten in place.
std::string recoveryPath(const std::string& path);

// Puts `domains` into the marked block of `path`. The file is left untouched when it is not a
// regular file of `owner` (a symbolic link is refused, not followed) or when its markers do not
// form exactly one block. Mode and owner are kept and an unchanged block is not written. A file
// that cannot be replaced by renaming (a mount point) is first copied to `recoveryPath`, then
// rewritten in place. The error says why the file was left as it was or could not be written.
Result<Change> update(const std::string& path, const std::vector<std::string>& domains,
                      uid_t owner);

} // namespace HostsFile

#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

// The hosts file, changed only in its one marked block and only when that is safe.
namespace HostsFile {

struct Outcome {
    // The file holds the wanted block, whether it had to be rewritten or not.
    bool applied = false;
    bool changed = false;
    // Why the file was left as it was or could not be written; empty when applied.
    std::string problem;

    bool operator==(const Outcome&) const = default;
};

// Where the previous text is kept when the file has to be rewritten in place.
std::string recoveryPath(const std::string& path);

// Puts `domains` into the marked block of `path`. The file is left untouched when it is not a
// regular file of `owner` (a symbolic link is refused, not followed) or when its markers do not
// form exactly one block. Mode and owner are kept and an unchanged block is not written. A file
// that cannot be replaced by renaming (a mount point) is first copied to `recoveryPath`, then
// rewritten in place.
Outcome update(const std::string& path, const std::vector<std::string>& domains, uid_t owner);

} // namespace HostsFile

// SPDX-License-Identifier: GPL-3.0-or-later
#include "hosts_file.h"

#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "hosts_block.h"

namespace HostsFile {

namespace {

// Far more than any hosts file; only a guard against reading without end.
constexpr off_t maxHostsBytes = 256 * 1024 * 1024;

struct Current {
    std::string text;
    struct stat info {};
};

// The file's text, or the reason it may not be changed.
Result<Current> readCurrent(const std::string& path, uid_t owner) {
    OwnedFd file(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file && errno == ELOOP) return Error{ELOOP, path + " is a symbolic link"};
    if (!file) return Error::fromErrno("cannot open " + path);
    Current current;
    if (fstat(file.get(), &current.info) != 0) return Error::fromErrno("cannot examine " + path);
    if (!S_ISREG(current.info.st_mode)) return Error{0, path + " is not a regular file"};
    if (current.info.st_uid != owner)
        return Error{0, path + " is owned by user " + std::to_string(current.info.st_uid)};
    if (current.info.st_size > maxHostsBytes) return Error{0, path + " is too large"};
    if (!AtomicFile::readAll(file.get(), current.text))
        return Error::fromErrno("cannot read " + path);
    return current;
}

// Writes `text` beside `path` with the old file's mode and owner and renames it over `path`.
// Returns the errno of the step that failed, 0 on success.
int replace(const std::string& path, const std::string& text, const struct stat& info) {
    std::string name = path + ".tmp-XXXXXX";
    OwnedFd file(mkostemp(name.data(), O_CLOEXEC));
    if (!file) return errno;
    struct stat created {};
    bool ok = fchmod(file.get(), info.st_mode & 07777) == 0 && fstat(file.get(), &created) == 0 &&
              ((created.st_uid == info.st_uid && created.st_gid == info.st_gid) ||
               fchown(file.get(), info.st_uid, info.st_gid) == 0) &&
              AtomicFile::writeAll(file.get(), text) && fsync(file.get()) == 0;
    int error = ok ? 0 : errno;
    if (!file.close() && ok) error = errno;
    if (error == 0 && rename(name.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) unlink(name.c_str());
    return error;
}

// Rewrites the very file that was read, so a mount point keeps its place, mode and owner.
Result<void> rewriteInPlace(const std::string& path, const std::string& text,
                            const struct stat& info) {
    OwnedFd file(open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file) return Error::fromErrno("cannot open " + path + " for writing");
    struct stat now {};
    if (fstat(file.get(), &now) != 0 || now.st_dev != info.st_dev || now.st_ino != info.st_ino)
        return Error{0, path + " was replaced while it was being changed"};
    if (!AtomicFile::writeAll(file.get(), text) ||
        ftruncate(file.get(), static_cast<off_t>(text.size())) != 0 || fsync(file.get()) != 0)
        return Error::fromErrno("cannot write " + path + " in place");
    return {};
}

} // namespace

std::string recoveryPath(const std::string& path) {
    return path + ".nattervane-recovery";
}

Result<Change> update(const std::string& path, const std::vector<std::string>& domains,
                      uid_t owner) {
    Result<Current> current = readCurrent(path, owner);
    if (!current) return current.error();
    if (auto markers = HostsBlock::markerProblem(current->text))
        return Error{0, path + " " + *markers};
    std::string merged = HostsBlock::merge(current->text, domains);
    if (merged == current->text) return Change::none;
    int error = replace(path, merged, current->info);
    if (error == EBUSY || error == EXDEV || error == EPERM) {
        if (Result<void> kept = AtomicFile::write(recoveryPath(path), current->text); !kept)
            return kept.error();
        if (Result<void> written = rewriteInPlace(path, merged, current->info); !written)
            return written.error();
    } else if (error != 0) {
        errno = error;
        return Error::fromErrno("cannot write " + path);
    }
    return Change::rewritten;
}

} // namespace HostsFile

#include "hosts_file.h"

#include <cerrno>
#include <cstring>
#include <optional>
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

std::string failure(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// The file's text, or the reason it may not be changed.
std::optional<Current> readCurrent(const std::string& path, uid_t owner, std::string& problem) {
    OwnedFd file(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file) {
        problem = errno == ELOOP ? path + " is a symbolic link" : failure("cannot open " + path);
        return std::nullopt;
    }
    Current current;
    if (fstat(file.get(), &current.info) != 0)
        problem = failure("cannot examine " + path);
    else if (!S_ISREG(current.info.st_mode))
        problem = path + " is not a regular file";
    else if (current.info.st_uid != owner)
        problem = path + " is owned by user " + std::to_string(current.info.st_uid);
    else if (current.info.st_size > maxHostsBytes)
        problem = path + " is too large";
    else if (!AtomicFile::readAll(file.get(), current.text))
        problem = failure("cannot read " + path);
    if (!problem.empty()) return std::nullopt;
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
std::string rewriteInPlace(const std::string& path, const std::string& text,
                           const struct stat& info) {
    OwnedFd file(open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file) return failure("cannot open " + path + " for writing");
    struct stat now {};
    if (fstat(file.get(), &now) != 0 || now.st_dev != info.st_dev || now.st_ino != info.st_ino)
        return path + " was replaced while it was being changed";
    if (!AtomicFile::writeAll(file.get(), text) ||
        ftruncate(file.get(), static_cast<off_t>(text.size())) != 0 || fsync(file.get()) != 0)
        return failure("cannot write " + path + " in place");
    return "";
}

} // namespace

std::string recoveryPath(const std::string& path) {
    return path + ".nattervane-recovery";
}

Outcome update(const std::string& path, const std::vector<std::string>& domains, uid_t owner) {
    Outcome outcome;
    auto current = readCurrent(path, owner, outcome.problem);
    if (!current) return outcome;
    if (auto markers = HostsBlock::markerProblem(current->text)) {
        outcome.problem = path + " " + *markers;
        return outcome;
    }
    std::string merged = HostsBlock::merge(current->text, domains);
    if (merged == current->text) {
        outcome.applied = true;
        return outcome;
    }
    int error = replace(path, merged, current->info);
    if (error == EBUSY || error == EXDEV || error == EPERM) {
        std::string saveError;
        if (!AtomicFile::write(recoveryPath(path), current->text, &saveError)) {
            outcome.problem = saveError;
            return outcome;
        }
        outcome.problem = rewriteInPlace(path, merged, current->info);
    } else if (error != 0) {
        errno = error;
        outcome.problem = failure("cannot write " + path);
    }
    outcome.applied = outcome.changed = outcome.problem.empty();
    return outcome;
}

} // namespace HostsFile

// SPDX-License-Identifier: GPL-3.0-or-later
#include "folder_lock.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "base/text.h"

namespace {

// A lock without a process id is being written by its taker (the application's toolkit writes
// after creating the file); it is taken as left behind only once it is this old.
constexpr std::chrono::seconds unwrittenLockAge{10};

// Whether the lock at `path` still belongs to someone: a process that runs, or a taker that may
// still be writing it.
bool held(const std::string& path) {
    std::string text = AtomicFile::read(path).value_or("");
    std::vector<std::string_view> lines = Text::lines(text);
    auto pid = lines.empty() ? std::nullopt : Text::parseDecimal<pid_t>(lines.front());
    if (pid && *pid > 0) return kill(*pid, 0) == 0 || errno != ESRCH;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return false;
    auto age = std::chrono::system_clock::now() -
               std::chrono::system_clock::from_time_t(status.st_mtim.tv_sec);
    return age < unwrittenLockAge;
}

std::string holderText(const std::string& path) {
    std::vector<std::string_view> lines = Text::lines(AtomicFile::read(path).value_or(""));
    return lines.empty() ? "another process" : "process " + std::string(lines.front());
}

// Writes the lock's text beside `path`, to be linked into place whole.
Result<std::string> writeCandidate(const std::string& path) {
    std::string candidate = path + ".new-" + std::to_string(getpid());
    OwnedFd fd(
        open(candidate.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd) return Error::fromErrno("cannot write the lock " + path);
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::string text = std::to_string(getpid()) + "\nnattervane-cli\n" + host + "\n";
    if (!AtomicFile::writeAll(fd.get(), text)) {
        Error error = Error::fromErrno("cannot write the lock " + path);
        unlink(candidate.c_str());
        return error;
    }
    return candidate;
}

// Waits, a bounded time, for the other command-line tools working on the folder of `path`: they
// take the folder's own advisory lock around their whole change, so that none of them finds the
// lock another just took and removes it as left behind.
Result<OwnedFd> waitForOtherTools(const std::string& path) {
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    OwnedFd fd(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return Error::fromErrno("cannot open the data folder " + folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return Error::fromErrno("cannot lock the data folder " + folder);
        usleep(50'000);
    }
    return Error{EBUSY, "another nattervane-cli keeps changing " + folder};
}

} // namespace

Result<FolderLock> FolderLock::take(const std::string& path) {
    Result<OwnedFd> folder = waitForOtherTools(path);
    if (!folder) return folder.error();
    Result<std::string> candidate = writeCandidate(path);
    if (!candidate) return candidate.error();
    // Linked into place, the lock appears with its text: nobody ever reads it empty.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (link(candidate->c_str(), path.c_str()) == 0) {
            unlink(candidate->c_str());
            return FolderLock(path, std::move(*folder));
        }
        int code = errno;
        if (code != EEXIST || held(path)) {
            unlink(candidate->c_str());
            if (code != EEXIST) return Error{code, "cannot take the lock " + path};
            return Error{EBUSY,
                         holderText(path) + " holds the data folder's lock but does not answer"};
        }
        // Left by a process that is gone.
        unlink(path.c_str());
    }
    unlink(candidate->c_str());
    return Error{EBUSY, "the data folder's lock " + path + " keeps coming back"};
}

FolderLock::~FolderLock() {
    if (!path_.empty()) unlink(path_.c_str());
}

#include "folder_lock.h"

#include <cerrno>
#include <csignal>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "base/text.h"

namespace {

// The process that wrote the lock at `path`, when it still runs.
std::optional<pid_t> runningHolder(const std::string& path) {
    std::string text = AtomicFile::read(path).value_or("");
    std::vector<std::string_view> lines = Text::lines(text);
    auto pid = lines.empty() ? std::nullopt : Text::parseDecimal<pid_t>(lines.front());
    if (!pid || *pid <= 0 || (kill(*pid, 0) != 0 && errno == ESRCH)) return std::nullopt;
    return pid;
}

} // namespace

Result<FolderLock> FolderLock::take(const std::string& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        OwnedFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (fd) {
            char host[256] = {};
            gethostname(host, sizeof host - 1);
            std::string text = std::to_string(getpid()) + "\nnattervane-cli\n" + host + "\n";
            if (!AtomicFile::writeAll(fd.get(), text)) {
                unlink(path.c_str());
                return Error::fromErrno("cannot write the lock " + path);
            }
            return FolderLock(path);
        }
        if (errno != EEXIST) return Error::fromErrno("cannot take the lock " + path);
        if (auto holder = runningHolder(path))
            return Error{EBUSY, "process " + std::to_string(*holder) +
                                    " holds the data folder's lock but does not answer"};
        // Left by a process that is gone.
        unlink(path.c_str());
    }
    return Error{EBUSY, "the data folder's lock " + path + " keeps coming back"};
}

FolderLock::~FolderLock() {
    if (!path_.empty()) unlink(path_.c_str());
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_channel.h"

#include <filesystem>
#include <system_error>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"

namespace AppChannel {

namespace {

// Whether the process at the other end of `fd` is this user's.
bool peerIsThisUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == geteuid();
}

} // namespace

std::optional<std::string> send(const Paths& paths, const std::string& line) {
    if (Result<void> folder = paths.prepareSocketFolder(); !folder)
        return "error: " + folder.error().message;
    std::string socketPath = paths.instanceSocket();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return std::nullopt;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    OwnedFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd || connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return std::nullopt;
    if (!peerIsThisUser(fd.get()))
        return "error: the program listening at " + socketPath + " is not this user's";
    timeval timeout{5, 0};
    setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (!AtomicFile::writeAll(fd.get(), line)) return std::nullopt;
    std::string answer;
    char c;
    while (answer.size() < 4096 && read(fd.get(), &c, 1) == 1 && c != '\n')
        answer += c;
    return answer.empty() ? "error: the application did not answer" : answer;
}

Result<FolderLock> lockFolder(const Paths& paths) {
    std::error_code code;
    std::filesystem::create_directories(paths.root, code);
    if (code) return Error::fromCode("cannot create " + paths.root, code);
    // Files root wrote in another user's folder would be root's, and that user's program could no
    // longer read them.
    struct stat folder {};
    if (stat(paths.root.c_str(), &folder) != 0)
        return Error::fromErrno("cannot read " + paths.root);
    if (folder.st_uid != geteuid())
        return Error{EPERM, paths.root + " belongs to another user; run this as that user"};
    return FolderLock::take(paths.lockFile());
}

} // namespace AppChannel

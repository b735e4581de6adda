#include "observe/socket_owners.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>

#include <fcntl.h>
#include <unistd.h>

#include "base/owned_fd.h"
#include "base/text.h"
#include "base/utf8.h"

namespace {

// The name in /proc/<pid>/comm without its line break; "?" when it cannot be read. The kernel
// cuts names at 15 bytes, which can split a letter, so invalid UTF-8 is replaced.
std::string processName(int procDir, const std::string& pid) {
    std::string path = pid + "/comm";
    OwnedFd file(openat(procDir, path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file) return "?";
    char buffer[256];
    ssize_t count = ::read(file.get(), buffer, sizeof buffer);
    if (count <= 0) return "?";
    std::string name(buffer, static_cast<size_t>(count));
    if (name.ends_with('\n')) name.pop_back();
    return Utf8::decodeLossy(name);
}

// Calls `visit` with the name of every entry of the directory `path` below `base`, until it
// returns false.
template <typename Visit> void forEachEntry(int base, const std::string& path, Visit visit) {
    OwnedFd fd(openat(base, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return;
    DIR* directory = fdopendir(fd.get());
    if (!directory) return;
    // The directory stream owns the descriptor from here on.
    fd.release();
    while (const dirent* entry = readdir(directory))
        if (entry->d_name[0] != '.' && !visit(std::string_view(entry->d_name), dirfd(directory)))
            break;
    closedir(directory);
}

} // namespace

std::optional<uint64_t> SocketOwners::socketInode(std::string_view link) {
    constexpr std::string_view prefix = "socket:[";
    if (!link.starts_with(prefix) || !link.ends_with(']')) return std::nullopt;
    std::string_view digits = link.substr(prefix.size(), link.size() - prefix.size() - 1);
    if (digits.empty() || digits.front() == '+' || digits.front() == '-') return std::nullopt;
    return Text::parseDecimal<uint64_t>(digits);
}

SocketOwners SocketOwners::read(const std::unordered_set<uint64_t>& inodes,
                                const std::string& procRoot) {
    return inodes.empty() ? SocketOwners() : walk(&inodes, procRoot);
}

SocketOwners SocketOwners::readAll(const std::string& procRoot) {
    return walk(nullptr, procRoot);
}

SocketOwners SocketOwners::walk(const std::unordered_set<uint64_t>* inodes,
                                const std::string& procRoot) {
    SocketOwners result;
    OwnedFd procDir(open(procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!procDir) return result;
    forEachEntry(procDir.get(), ".", [&](std::string_view pidText, int) {
        auto pid = Text::parseDecimal<int32_t>(pidText);
        if (!pid || *pid <= 0 || pidText.front() == '+') return true;
        std::string pidDir(pidText);
        std::string name;
        forEachEntry(procDir.get(), pidDir + "/fd", [&](std::string_view fd, int fdDir) {
            char target[64];
            ssize_t length = readlinkat(fdDir, std::string(fd).c_str(), target, sizeof target);
            // A process whose descriptors may be listed but not read keeps them all closed.
            if (length < 0 && (errno == EACCES || errno == EPERM)) return false;
            if (length <= 0) return true;
            auto inode = socketInode(std::string_view(target, static_cast<size_t>(length)));
            if (!inode || (inodes && !inodes->count(*inode))) return true;
            if (name.empty()) name = processName(procDir.get(), pidDir);
            std::vector<Owner>& owners = result.owners_[*inode];
            // A socket open on several descriptors of one process counts once.
            if (owners.empty() || owners.back().pid != *pid) owners.push_back({*pid, name});
            return true;
        });
        return true;
    });
    for (auto& [inode, owners] : result.owners_)
        std::sort(owners.begin(), owners.end(),
                  [](const Owner& a, const Owner& b) { return a.pid < b.pid; });
    return result;
}

const std::vector<SocketOwners::Owner>& SocketOwners::of(uint64_t inode) const {
    static const std::vector<Owner> none;
    auto found = owners_.find(inode);
    return found == owners_.end() ? none : found->second;
}

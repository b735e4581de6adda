// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/socket_owners.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <set>

#include <fcntl.h>
#include <unistd.h>

#include "base/owned_fd.h"
#include "base/text.h"
#include "base/utf8.h"

namespace {

// Enough for the processes that hold sockets on a desktop, well within a program's descriptors.
constexpr size_t keptFolders = 256;

// The name in /proc/<pid>/comm without its line break; "?" when it cannot be read. The kernel
// cuts names at 15 bytes, which can split a letter, so invalid UTF-8 is replaced.
std::string processName(int procDir, int32_t pid) {
    std::string path = std::to_string(pid) + "/comm";
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

// The socket a descriptor link at `path` below `base` names; absent for anything else. Sets
// `refused` when the process's descriptors may not be read.
std::optional<uint64_t> linkedSocket(int base, const char* path, bool* refused = nullptr) {
    char target[64];
    ssize_t length = readlinkat(base, path, target, sizeof target);
    if (length < 0 && refused) *refused = errno == EACCES || errno == EPERM;
    if (length <= 0) return std::nullopt;
    return SocketOwners::socketInode(std::string_view(target, static_cast<size_t>(length)));
}

} // namespace

SocketOwners::SocketOwners(std::string procRoot) : procRoot_(std::move(procRoot)) {}

std::optional<uint64_t> SocketOwners::socketInode(std::string_view link) {
    constexpr std::string_view prefix = "socket:[";
    if (!link.starts_with(prefix) || !link.ends_with(']')) return std::nullopt;
    std::string_view digits = link.substr(prefix.size(), link.size() - prefix.size() - 1);
    if (digits.empty() || digits.front() == '+' || digits.front() == '-') return std::nullopt;
    return Text::parseDecimal<uint64_t>(digits);
}

void SocketOwners::update(const std::unordered_set<uint64_t>& inodes) {
    work_ = {};
    owners_.clear();
    OwnedFd procDir(open(procRoot_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Holders held;
    std::unordered_set<uint64_t> wanted, unfound;
    std::set<int32_t> known;
    for (const auto& [inode, holders] : holders_)
        for (const Holder& holder : holders)
            known.insert(holder.pid);
    for (uint64_t inode : inodes) {
        if (inode == 0) continue;
        if (std::vector<Holder> still = stillHeld(procDir.get(), inode); !still.empty())
            held[inode] = std::move(still);
        else if (unfound_.contains(inode))
            unfound.insert(inode);
        else
            wanted.insert(inode);
    }
    forgetFoldersBut(held);
    if (!wanted.empty() && procDir) walk(procDir.get(), known, wanted, held);
    unfound.merge(wanted);
    holders_ = std::move(held);
    unfound_ = std::move(unfound);
    name(procDir.get());
}

std::vector<SocketOwners::Holder> SocketOwners::stillHeld(int procDir, uint64_t inode) {
    std::vector<Holder> still;
    auto cached = holders_.find(inode);
    if (cached == holders_.end()) return still;
    for (Holder& holder : cached->second) {
        ++work_.checked;
        if (linkOf(procDir, holder.pid, holder.fd) == inode) still.push_back(std::move(holder));
    }
    return still;
}

std::optional<uint64_t> SocketOwners::linkOf(int procDir, int32_t pid, const std::string& fd) {
    auto folder = folders_.find(pid);
    if (folder == folders_.end() && folders_.size() < keptFolders) {
        std::string path = std::to_string(pid) + "/fd";
        OwnedFd opened(openat(procDir, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        folder = folders_.emplace(pid, std::move(opened)).first;
    }
    if (folder == folders_.end())
        return linkedSocket(procDir, (std::to_string(pid) + "/fd/" + fd).c_str());
    return linkedSocket(folder->second.get(), fd.c_str());
}

void SocketOwners::forgetFoldersBut(const Holders& held) {
    std::unordered_set<int32_t> holding;
    for (const auto& [inode, holders] : held)
        for (const Holder& holder : holders)
            holding.insert(holder.pid);
    std::erase_if(folders_, [&](const auto& folder) { return !holding.contains(folder.first); });
}

void SocketOwners::walk(int procDir, const std::set<int32_t>& known,
                        std::unordered_set<uint64_t>& wanted, Holders& found) {
    std::unordered_set<uint64_t> seen;
    // Reads the descriptors of one process; false once every socket is found.
    const auto search = [&](int32_t pid) {
        ++work_.walked;
        forEachEntry(procDir, std::to_string(pid) + "/fd", [&](std::string_view fd, int fdDir) {
            bool refused = false;
            auto inode = linkedSocket(fdDir, std::string(fd).c_str(), &refused);
            // A process whose descriptors may be listed but not read keeps them all closed.
            if (refused) return false;
            // Holders of a socket found earlier in this walk count too.
            if (!inode || !(wanted.erase(*inode) || seen.contains(*inode))) return true;
            seen.insert(*inode);
            found[*inode].push_back({pid, std::string(fd)});
            return true;
        });
        return !wanted.empty();
    };
    // New sockets mostly come from programs that already hold some: a browser opens connection
    // after connection. Their descriptors are read first, so a walk seldom reaches the hundreds
    // of other processes.
    for (int32_t pid : known)
        if (!search(pid)) return;
    forEachEntry(procDir, ".", [&](std::string_view pidText, int) {
        auto pid = Text::parseDecimal<int32_t>(pidText);
        if (!pid || *pid <= 0 || pidText.front() == '+') return true;
        return known.contains(*pid) || search(*pid);
    });
}

void SocketOwners::name(int procDir) {
    std::unordered_map<int32_t, std::string> names;
    for (const auto& [inode, holders] : holders_) {
        std::vector<Owner>& owners = owners_[inode];
        for (const Holder& holder : holders) {
            auto [named, fresh] = names.try_emplace(holder.pid);
            if (fresh) named->second = processName(procDir, holder.pid);
            owners.push_back({holder.pid, named->second});
        }
        std::sort(owners.begin(), owners.end(),
                  [](const Owner& a, const Owner& b) { return a.pid < b.pid; });
        // A socket open on several descriptors of one process counts once.
        owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
    }
}

const std::vector<SocketOwners::Owner>& SocketOwners::of(uint64_t inode) const {
    static const std::vector<Owner> none;
    auto found = owners_.find(inode);
    return found == owners_.end() ? none : found->second;
}

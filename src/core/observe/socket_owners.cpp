#include "observe/socket_owners.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <dirent.h>

#include <fcntl.h>
#include <unistd.h>

#include "base/text.h"
#include "base/utf8.h"

namespace {

// Descriptors a thread takes at a time from the shared list.
constexpr size_t descriptorsPerTake = 128;
// The descriptors of a process with at least this many are shared among the threads, as long as
// no more processes than `sharedProcesses` keep their folders open for it; the others' are read
// while they are listed.
constexpr size_t sharedProcessDescriptors = 256;
constexpr size_t sharedProcesses = 64;

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

// Calls `visit` with the name of every entry of the directory `path` below `base`.
template <typename Visit> void forEachEntry(int base, const std::string& path, Visit visit) {
    OwnedFd fd(openat(base, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return;
    DIR* directory = fdopendir(fd.get());
    if (!directory) return;
    fd.release();
    while (const dirent* entry = readdir(directory))
        if (entry->d_name[0] != '.') visit(std::string_view(entry->d_name));
    closedir(directory);
}

// A positive decimal number without sign, as /proc names processes and descriptors.
std::optional<int32_t> entryNumber(std::string_view text) {
    auto number = Text::parseDecimal<int32_t>(text);
    if (!number || *number < 0 || text.front() == '+') return std::nullopt;
    return number;
}

// The socket inode descriptor `fd` of the folder `fdDir` links to; absent for any other file.
// `denied` tells whether the kernel refused to read the link.
std::optional<uint64_t> socketOf(int fdDir, int32_t fd, bool& denied) {
    char name[16];
    *std::to_chars(name, name + 11, fd).ptr = '\0';
    char target[64];
    ssize_t length = readlinkat(fdDir, name, target, sizeof target);
    denied = length < 0 && (errno == EACCES || errno == EPERM);
    if (length <= 0) return std::nullopt;
    return SocketOwners::socketInode(std::string_view(target, static_cast<size_t>(length)));
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
    if (inodes.empty()) return {};
    Walk walk(procRoot);
    walk.list();
    walk.share();
    return walk.owners(&inodes);
}

const std::vector<SocketOwners::Owner>& SocketOwners::of(uint64_t inode) const {
    static const std::vector<Owner> none;
    auto found = owners_.find(inode);
    return found == owners_.end() ? none : found->second;
}

SocketOwners::Walk::Walk(std::string procRoot) : procRoot_(std::move(procRoot)) {}

SocketOwners::Walk::~Walk() = default;

void SocketOwners::Walk::list() {
    struct Listed {
        Walk& walk;
        ~Listed() { walk.markListed(); }
    } listed{*this};
    procDir_.reset(open(procRoot_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!procDir_) return;
    forEachEntry(procDir_.get(), ".", [&](std::string_view pidText) {
        auto pid = entryNumber(pidText);
        if (pid && *pid > 0) listProcess(*pid, std::string(pidText));
    });
    closed_ = std::make_unique<std::atomic<bool>[]>(shared_.size());
}

void SocketOwners::Walk::listProcess(int32_t pid, const std::string& pidText) {
    std::string path = pidText + "/fd";
    OwnedFd fdDir(openat(procDir_.get(), path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fdDir) return;
    std::vector<int32_t> fds;
    forEachEntry(fdDir.get(), ".", [&](std::string_view fdText) {
        if (auto fd = entryNumber(fdText)) fds.push_back(*fd);
    });
    if (fds.empty()) return;
    auto process = static_cast<uint32_t>(pids_.size());
    pids_.push_back(pid);
    if (fds.size() < sharedProcessDescriptors || shared_.size() >= sharedProcesses) {
        for (int32_t fd : fds) {
            bool denied = false;
            if (auto inode = socketOf(fdDir.get(), fd, denied))
                found_.push_back({*inode, process});
            else if (denied)
                break;
        }
        return;
    }
    auto index = static_cast<uint32_t>(shared_.size());
    shared_.push_back({process, std::move(fdDir)});
    for (int32_t fd : fds)
        descriptors_.push_back({index, fd});
}

void SocketOwners::Walk::markListed() {
    std::lock_guard lock(mutex_);
    listed_ = true;
    listedChanged_.notify_all();
}

void SocketOwners::Walk::share() {
    {
        std::unique_lock lock(mutex_);
        listedChanged_.wait(lock, [this] { return listed_; });
    }
    // A listing broken off by an exception leaves nothing to read.
    size_t count = closed_ ? descriptors_.size() : 0;
    std::vector<Found> found;
    for (;;) {
        size_t begin = next_.fetch_add(descriptorsPerTake);
        if (begin >= count) break;
        size_t end = std::min(begin + descriptorsPerTake, count);
        for (size_t index = begin; index < end; ++index)
            read(descriptors_[index], found);
    }
    std::lock_guard lock(mutex_);
    found_.insert(found_.end(), found.begin(), found.end());
}

void SocketOwners::Walk::read(const Descriptor& descriptor, std::vector<Found>& found) {
    std::atomic<bool>& closed = closed_[descriptor.shared];
    if (closed.load(std::memory_order_relaxed)) return;
    const SharedProcess& process = shared_[descriptor.shared];
    bool denied = false;
    if (auto inode = socketOf(process.fdDir.get(), descriptor.fd, denied))
        found.push_back({*inode, process.process});
    else if (denied)
        closed.store(true, std::memory_order_relaxed);
}

SocketOwners SocketOwners::Walk::owners(const std::unordered_set<uint64_t>* only) {
    // By inode, then by pid: each socket's owners come out by ascending pid, and a socket open
    // on several descriptors of one process counts once.
    std::sort(found_.begin(), found_.end(), [this](const Found& a, const Found& b) {
        return a.inode != b.inode ? a.inode < b.inode : pids_[a.process] < pids_[b.process];
    });
    std::unordered_map<uint32_t, std::string> names;
    SocketOwners result;
    for (const Found& found : found_) {
        if (only && !only->count(found.inode)) continue;
        int32_t pid = pids_[found.process];
        std::string& name = names[found.process];
        if (name.empty()) name = processName(procDir_.get(), pid);
        std::vector<Owner>& owners = result.owners_[found.inode];
        if (owners.empty() || owners.back().pid != pid) owners.push_back({pid, name});
    }
    return result;
}

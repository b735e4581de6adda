// SPDX-License-Identifier: GPL-3.0-or-later
#include "block_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string octalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Why a file with these facts may not be read, or empty.
std::string refusal(const std::string& name, const struct stat& info, uid_t owner,
                    size_t maxBytes) {
    if (!S_ISREG(info.st_mode)) return name + " is not a regular file";
    if (info.st_uid != owner) return name + " is owned by user " + std::to_string(info.st_uid);
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return name + " is writable by others (mode " + octalMode(info.st_mode) + ")";
    // A second name could be a hard link to a file the user may not read.
    if (info.st_nlink != 1) return name + " has " + std::to_string(info.st_nlink) + " links";
    if (static_cast<uintmax_t>(info.st_size) > maxBytes)
        return name + " is larger than " + std::to_string(maxBytes >> 20) + " MiB";
    return "";
}

} // namespace

Result<BlockFile> BlockFile::open(int directory, const std::string& name, uid_t owner,
                                  size_t maxBytes) {
    // Non-blocking, so a FIFO planted at the path cannot hang the helper before it is refused.
    OwnedFd fd(
        openat(directory, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd && errno == ENOENT) return BlockFile(std::move(fd));
    if (!fd && errno == ELOOP) return Error{ELOOP, name + " is a symbolic link"};
    struct stat info {};
    if (!fd || fstat(fd.get(), &info) != 0) return Error::fromErrno(name);
    std::string problem = refusal(name, info, owner, maxBytes);
    if (!problem.empty()) return Error{0, std::move(problem)};
    return BlockFile(std::move(fd));
}

BlockFile::Contents BlockFile::read(size_t limit) const {
    Contents contents;
    if (!fd_) return contents;
    char buffer[65536];
    for (;;) {
        // One byte beyond the limit tells a file of exactly `limit` bytes from a longer one.
        size_t want = std::min(sizeof buffer, limit + 1 - contents.text.size());
        ssize_t count = ::read(fd_.get(), buffer, want);
        if (count < 0 && errno == EINTR) continue;
        if (count == 0) return contents;
        if (count < 0) break;
        contents.text.append(buffer, static_cast<size_t>(count));
        if (contents.text.size() > limit) break;
    }
    // Cut short by the limit or a read error: keep whole lines only.
    contents.cut = true;
    contents.text.resize(std::min(contents.text.size(), limit));
    size_t lastBreak = contents.text.rfind('\n');
    contents.text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    return contents;
}

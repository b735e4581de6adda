// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/owned_fd.h"

namespace AtomicFile {

namespace {

constexpr std::string_view temporaryMark = ".tmp-";
constexpr size_t temporarySuffix = 6; // the XXXXXX mkostemp fills in

bool isLeftover(const std::filesystem::directory_entry& entry) {
    std::string name = entry.path().filename().string();
    size_t mark = name.rfind(temporaryMark);
    std::error_code error;
    if (mark == std::string::npos || mark == 0 ||
        name.size() != mark + temporaryMark.size() + temporarySuffix ||
        !entry.is_regular_file(error))
        return false;
    auto touched = entry.last_write_time(error);
    return !error &&
           std::filesystem::file_time_type::clock::now() - touched > std::chrono::minutes(1);
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        ssize_t count = ::write(fd, contents.data(), contents.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        contents.remove_prefix(static_cast<size_t>(count));
    }
    return true;
}

bool readAll(int fd, std::string& text) {
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) return true;
        text.append(buffer, static_cast<size_t>(count));
    }
}

Result<void> write(const std::string& path, std::string_view contents) {
    std::string pattern = path + std::string(temporaryMark) + "XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    OwnedFd file(mkostemp(temporary.data(), O_CLOEXEC));
    if (!file) return Error::fromErrno("cannot create a temporary file beside " + path);
    // Keep the permissions of the file being replaced; new files are private to the user.
    struct stat existing {};
    fchmod(file.get(), stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0600);
    bool written = writeAll(file.get(), contents) && fsync(file.get()) == 0;
    int savedErrno = errno;
    if (!file.close() && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written || rename(temporary.data(), path.c_str()) != 0) {
        if (written) savedErrno = errno;
        unlink(temporary.data());
        errno = savedErrno;
        return Error::fromErrno("cannot write " + path);
    }
    OwnedFd directory(open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory) fsync(directory.get());
    return {};
}

void removeLeftovers(const std::string& dir) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error))
        if (std::error_code ignored; isLeftover(*it)) std::filesystem::remove(it->path(), ignored);
}

Result<std::string> read(const std::string& path, size_t maxBytes) {
    auto failed = [&path] { return Error::fromErrno("cannot read " + path); };
    // Non-blocking, so a FIFO planted at the path cannot hang the reader.
    OwnedFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file) return failed();
    struct stat info {};
    if (fstat(file.get(), &info) != 0) return failed();
    if (!S_ISREG(info.st_mode)) return Error{0, "cannot read " + path + ": not a regular file"};
    auto tooLarge = [&] {
        return Error{EFBIG, "cannot read " + path + ": larger than " + std::to_string(maxBytes) +
                                " bytes"};
    };
    if (static_cast<uint64_t>(info.st_size) > maxBytes) return tooLarge();
    std::string contents;
    if (!readAll(file.get(), contents)) return failed();
    // The file may have grown since fstat.
    if (contents.size() > maxBytes) return tooLarge();
    return contents;
}

bool holds(const std::string& path, std::string_view contents) {
    Result<std::string> current = read(path);
    return current && *current == contents;
}

} // namespace AtomicFile

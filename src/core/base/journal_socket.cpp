// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/journal_socket.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>

void JournalSocket::append(std::string& record, std::string_view field, std::string_view value) {
    value = value.substr(0, maxValue);
    const bool binary = std::ranges::any_of(
        value, [](char c) { return c == '\n' || static_cast<unsigned char>(c) < 0x20; });
    record.append(field);
    if (!binary) {
        record.append("=").append(value).append("\n");
        return;
    }
    record.push_back('\n');
    uint64_t length = value.size();
    for (int byte = 0; byte < 8; ++byte)
        record.push_back(static_cast<char>((length >> (8 * byte)) & 0xff));
    record.append(value).append("\n");
}

Result<void> JournalSocket::send(std::string_view record) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) return Error{ENAMETOOLONG, path_};
    path_.copy(address.sun_path, sizeof address.sun_path - 1);
    const auto now = std::chrono::steady_clock::now();
    if (now < stuckUntil_) return Error{EAGAIN, path_ + " did not take the last record"};
    if (!fd_) {
        fd_.reset(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        const timeval wait{0, 20'000};
        if (fd_) setsockopt(fd_.get(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    }
    if (!fd_) return Error::fromErrno("cannot make a socket for " + path_);
    if (sendto(fd_.get(), record.data(), record.size(), MSG_NOSIGNAL,
               reinterpret_cast<const sockaddr*>(&address), sizeof address) >= 0)
        return {};
    if (errno == EAGAIN || errno == EWOULDBLOCK) stuckUntil_ = now + std::chrono::seconds(1);
    return Error::fromErrno("cannot send to " + path_);
}

bool JournalSocket::present() const {
    struct stat status {};
    return stat(path_.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

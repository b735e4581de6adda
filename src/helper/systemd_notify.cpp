// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemd_notify.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "base/owned_fd.h"
#include "base/text.h"

namespace SystemdNotify {

bool send(std::string_view state) {
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (!path || !*path) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    size_t length = std::strlen(path);
    if ((path[0] != '/' && path[0] != '@') || length >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path, length);
    // An abstract socket's name begins with a NUL byte in place of the "@".
    if (path[0] == '@') address.sun_path[0] = '\0';
    OwnedFd fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
    return fd && sendto(fd.get(), state.data(), state.size(), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&address),
                        size) == static_cast<ssize_t>(state.size());
}

std::optional<std::chrono::microseconds> watchdogInterval() {
    const char* usec = std::getenv("WATCHDOG_USEC");
    const char* pid = std::getenv("WATCHDOG_PID");
    if (!usec) return std::nullopt;
    // The watchdog is another process's when WATCHDOG_PID names one.
    if (pid && Text::parseDecimal<pid_t>(pid) != getpid()) return std::nullopt;
    auto value = Text::parseDecimal<int64_t>(usec);
    if (!value || *value <= 0) return std::nullopt;
    return std::chrono::microseconds(*value);
}

} // namespace SystemdNotify

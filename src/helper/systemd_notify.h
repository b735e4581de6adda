// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

// Telling systemd how a service of Type=notify stands, over the socket it names in NOTIFY_SOCKET.
namespace SystemdNotify {

// Sends `state` ("READY=1", "WATCHDOG=1", "STATUS=..."); false when not run by systemd or when
// it could not be sent.
bool send(std::string_view state);

// How often systemd wants to hear "WATCHDOG=1" from this process; absent when it does not.
std::optional<std::chrono::microseconds> watchdogInterval();

} // namespace SystemdNotify

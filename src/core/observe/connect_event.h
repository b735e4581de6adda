// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "base/dates.h"

// One connection as the event service saw it being made, in the process that made it: at its
// connect(), or at the first sendmsg() of an unconnected socket to a destination.
struct ConnectEvent {
    Dates::TimePoint at;
    int32_t pid = -1;
    uint32_t uid = 0;
    uint64_t cgroupId = 0;
    // The process's name as the kernel keeps it (at most 15 bytes).
    std::string comm;
    // The executable at that moment, and the kernel's device and inode of it; absent or 0 when
    // its path could not be read whole.
    std::optional<std::string> exePath;
    uint64_t exeDevice = 0;
    uint64_t exeInode = 0;
    // The socket's cookie, as the kernel's socket dump gives it too.
    uint64_t cookie = 0;
    std::string proto;
    std::string remoteIP;
    int64_t remotePort = 0;
    // A program rule refused the connection (the program got EPERM).
    bool refused = false;
    // Its first packet is held until the user answers whether it may go.
    bool held = false;

    bool operator==(const ConnectEvent&) const = default;
};

// A question the event service holds connections for: the first packets of one program to one
// destination, however many of its sockets wait, kept back until the application answers or the
// service's deadline passes.
struct HeldQuestion {
    uint64_t id = 0;
    // The connection that asked first: the program and the destination.
    ConnectEvent first;
    // The destination's host name when the service knows it; the connections to all its
    // addresses (IPv4 and IPv6 alike) are one question then.
    std::optional<std::string> host{};
    // Connections (sockets) waiting for the answer.
    uint32_t waiting = 1;
    // When the service decides on its own.
    Dates::TimePoint deadline{};

    bool operator==(const HeldQuestion&) const = default;
};

// How a held question ended.
struct HeldSettled {
    enum class By { answer, deadline, nobody };

    uint64_t id = 0;
    bool allowed = true;
    By by = By::answer;

    bool operator==(const HeldSettled&) const = default;
};

// The lines the event service writes on its socket, one JSON object each: a greeting, then
// events and, every second, a heartbeat; or one refusal, after which it closes. A client that
// attached for questions gets questions and how they ended instead of events.
namespace EventWire {

constexpr int version = 1;

struct Hello {
    int version = 0;
    // How connections are held for questions ("nft queue", "iptables NFQUEUE"); empty when they
    // are not.
    std::string hold{};
    bool operator==(const Hello&) const = default;
};
struct Beat {
    // Events the kernel side has had no room for since the service started.
    uint64_t dropped = 0;
    bool operator==(const Beat&) const = default;
};
struct Refusal {
    std::string reason;
    bool operator==(const Refusal&) const = default;
};

// After the greeting, a client that asked for questions gets those waiting, then this.
struct Listed {
    size_t count = 0;
    bool operator==(const Listed&) const = default;
};

using Message = std::variant<Hello, Beat, Refusal, ConnectEvent, HeldQuestion, HeldSettled, Listed>;

// One line each, with its line break; names that are not UTF-8 have U+FFFD in their place.
std::string line(const Message& message);
// The message of one line (without its line break); absent for anything that is not one.
std::optional<Message> read(std::string_view line);

} // namespace EventWire

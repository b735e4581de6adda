// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/result.h"
#include "program_rules.h"

struct mnl_socket;

// The netfilter queue the first packets of held connections wait in, read over netlink. The
// queue fails open: packets past its length are let through, and with no reader at all the
// kernel's rule lets them through (its bypass flag).
class PacketQueue {
  public:
    struct Packet {
        uint32_t id = 0;
        uint32_t mark = 0;
        ProgramRules::Address to;
        uint16_t port = 0;
        uint8_t protocol = 0;

        bool operator==(const Packet&) const = default;
    };

    // Binds queue `number`, holding at most `length` packets.
    static Result<PacketQueue> open(uint16_t number, uint32_t length);
    PacketQueue(PacketQueue&& other) noexcept;
    PacketQueue& operator=(PacketQueue&&) = delete;
    ~PacketQueue();

    int fd() const;
    // The packets waiting to be read now; one the service cannot tell the destination of is let
    // through at once.
    std::vector<Packet> read();
    // Lets packet `id` go on; refused, it goes on marked for the rule that rejects it, so that
    // the program hears at once.
    void decide(uint32_t id, bool allow);

    // The destination of the IPv4 or IPv6 packet `bytes` (its TCP or UDP header right after the
    // IP header); absent for any other.
    static std::optional<Packet> destination(std::span<const uint8_t> bytes);

  private:
    PacketQueue(mnl_socket* socket, uint16_t number) : socket_(socket), number_(number) {}
    void handle(const void* message, std::vector<Packet>& packets);

    mnl_socket* socket_;
    uint16_t number_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "packet_queue.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

// After the C library's network headers, whose definitions the kernel's then leave out.
extern "C" {
#include <libmnl/libmnl.h>
#include <libnetfilter_queue/libnetfilter_queue.h>
#include <linux/netfilter.h>
#include <linux/netfilter/nfnetlink_queue.h>
}

#include "bpf/connect_event.h"

namespace {

// Enough of each packet for its IP and transport headers.
constexpr int copiedBytes = 128;

bool send(mnl_socket* socket, const nlmsghdr* message) {
    return mnl_socket_sendto(socket, message, message->nlmsg_len) >= 0;
}

uint16_t portAt(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset + 2] << 8 | bytes[offset + 3]);
}

} // namespace

Result<PacketQueue> PacketQueue::open(uint16_t number, uint32_t length) {
    mnl_socket* socket = mnl_socket_open2(NETLINK_NETFILTER, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (!socket) return Error::fromErrno("cannot open a netfilter socket");
    PacketQueue queue(socket, number);
    if (mnl_socket_bind(socket, 0, MNL_SOCKET_AUTOPID) < 0)
        return Error::fromErrno("cannot bind the netfilter socket");
    char buffer[MNL_SOCKET_BUFFER_SIZE];
    nlmsghdr* message = nfq_nlmsg_put(buffer, NFQNL_MSG_CONFIG, number);
    nfq_nlmsg_cfg_put_cmd(message, AF_INET, NFQNL_CFG_CMD_BIND);
    if (!send(socket, message))
        return Error::fromErrno("cannot read netfilter queue " + std::to_string(number));
    message = nfq_nlmsg_put(buffer, NFQNL_MSG_CONFIG, number);
    nfq_nlmsg_cfg_put_params(message, NFQNL_COPY_PACKET, copiedBytes);
    nfq_nlmsg_cfg_put_qmaxlen(message, length);
    uint32_t flags = htonl(NFQA_CFG_F_FAIL_OPEN | NFQA_CFG_F_GSO);
    mnl_attr_put_u32(message, NFQA_CFG_FLAGS, flags);
    mnl_attr_put_u32(message, NFQA_CFG_MASK, flags);
    if (!send(socket, message)) return Error::fromErrno("cannot configure the netfilter queue");
    // Packets the kernel could not tell of were let through (fail-open): no error for them.
    int on = 1;
    mnl_socket_setsockopt(socket, NETLINK_NO_ENOBUFS, &on, sizeof on);
    return queue;
}

PacketQueue::PacketQueue(PacketQueue&& other) noexcept
    : socket_(std::exchange(other.socket_, nullptr)), number_(other.number_) {}

PacketQueue::~PacketQueue() {
    // Closing the socket unbinds the queue: the kernel's bypass lets its packets through again.
    if (socket_) mnl_socket_close(socket_);
}

int PacketQueue::fd() const {
    return mnl_socket_get_fd(socket_);
}

std::vector<PacketQueue::Packet> PacketQueue::read() {
    std::vector<Packet> packets;
    char buffer[MNL_SOCKET_BUFFER_SIZE];
    // A bounded number of reads at once, so that a flood cannot hold the loop here.
    for (int reads = 0; reads < 64; ++reads) {
        ssize_t count = mnl_socket_recvfrom(socket_, buffer, sizeof buffer);
        if (count <= 0) break;
        auto take = [](const nlmsghdr* message, void* context) {
            auto* self = static_cast<std::pair<PacketQueue*, std::vector<Packet>*>*>(context);
            self->first->handle(message, *self->second);
            return MNL_CB_OK;
        };
        std::pair<PacketQueue*, std::vector<Packet>*> context{this, &packets};
        mnl_cb_run(buffer, static_cast<size_t>(count), 0, mnl_socket_get_portid(socket_), take,
                   &context);
    }
    return packets;
}

void PacketQueue::handle(const void* data, std::vector<Packet>& packets) {
    const auto* message = static_cast<const nlmsghdr*>(data);
    nlattr* attributes[NFQA_MAX + 1] = {};
    if (nfq_nlmsg_parse(message, attributes) < 0 || !attributes[NFQA_PACKET_HDR]) return;
    const auto* head =
        static_cast<const nfqnl_msg_packet_hdr*>(mnl_attr_get_payload(attributes[NFQA_PACKET_HDR]));
    uint32_t id = ntohl(head->packet_id);
    std::optional<Packet> packet;
    if (attributes[NFQA_PAYLOAD])
        packet = destination(
            {static_cast<const uint8_t*>(mnl_attr_get_payload(attributes[NFQA_PAYLOAD])),
             mnl_attr_get_payload_len(attributes[NFQA_PAYLOAD])});
    if (!packet) return decide(id, true);
    packet->id = id;
    if (attributes[NFQA_MARK]) packet->mark = ntohl(mnl_attr_get_u32(attributes[NFQA_MARK]));
    packets.push_back(*packet);
}

void PacketQueue::decide(uint32_t id, bool allow) {
    char buffer[MNL_SOCKET_BUFFER_SIZE];
    nlmsghdr* message = nfq_nlmsg_put(buffer, NFQNL_MSG_VERDICT, number_);
    nfq_nlmsg_verdict_put(message, static_cast<int>(id), NF_ACCEPT);
    if (!allow) nfq_nlmsg_verdict_put_mark(message, NV_REFUSE_MARK);
    // A verdict that cannot be sent leaves the packet to the kernel, which drops it when the
    // queue goes; the program's retransmission then goes through the bypass.
    static_cast<void>(send(socket_, message));
}

std::optional<PacketQueue::Packet> PacketQueue::destination(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return std::nullopt;
    Packet packet;
    size_t transport = 0;
    if (bytes[0] >> 4 == 4 && bytes.size() >= 20) {
        transport = size_t{bytes[0] & 0x0fu} * 4;
        packet.protocol = bytes[9];
        packet.to.family = AF_INET;
        std::memcpy(packet.to.bytes.data(), bytes.data() + 16, 4);
    } else if (bytes[0] >> 4 == 6 && bytes.size() >= 40) {
        transport = 40;
        packet.protocol = bytes[6];
        packet.to.family = AF_INET6;
        std::memcpy(packet.to.bytes.data(), bytes.data() + 24, 16);
    } else {
        return std::nullopt;
    }
    bool known = packet.protocol == IPPROTO_TCP || packet.protocol == IPPROTO_UDP;
    if (!known || transport < 20 || bytes.size() < transport + 4) return std::nullopt;
    packet.port = portAt(bytes, transport);
    return packet;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect_record.h"

#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "base/net.h"
#include "base/utf8.h"

namespace ConnectRecord {

namespace {

// The executable's path from its components, written leaf first, each ending in NUL.
std::optional<std::string> exePath(const nv_connect_event& record) {
    size_t used = record.path_bytes;
    if (used == 0 || used > sizeof record.path || record.path[used - 1] != '\0')
        return std::nullopt;
    std::vector<std::string_view> components;
    for (std::string_view rest(record.path, used - 1); !rest.empty();) {
        size_t end = rest.find('\0');
        std::string_view component = rest.substr(0, end);
        if (component.empty() || component == "." || component == "..") return std::nullopt;
        components.push_back(component);
        rest = end == std::string_view::npos ? "" : rest.substr(end + 1);
    }
    std::string path;
    for (auto component = components.rbegin(); component != components.rend(); ++component)
        path.append("/").append(*component);
    return Utf8::decodeLossy(path);
}

std::optional<std::string> address(const nv_connect_event& record) {
    char text[INET6_ADDRSTRLEN] = {};
    if (record.family == AF_INET) return inet_ntop(AF_INET, record.addr, text, sizeof text);
    if (record.family != AF_INET6) return std::nullopt;
    inet_ntop(AF_INET6, record.addr, text, sizeof text);
    return Net::unmapped(text);
}

} // namespace

std::optional<ConnectEvent> decode(const nv_connect_event& record, Dates::TimePoint boot) {
    const char* proto = record.protocol == IPPROTO_TCP   ? "tcp"
                        : record.protocol == IPPROTO_UDP ? "udp"
                                                         : nullptr;
    std::optional<std::string> remote = address(record);
    if (!proto || !remote) return std::nullopt;
    ConnectEvent event;
    event.at = boot + std::chrono::duration_cast<Dates::TimePoint::duration>(
                          std::chrono::nanoseconds(record.boot_ns));
    event.pid = static_cast<int32_t>(record.pid);
    event.uid = record.uid;
    event.cgroupId = record.cgroup_id;
    event.comm =
        Utf8::decodeLossy(std::string(record.comm, strnlen(record.comm, sizeof record.comm)));
    event.exePath = exePath(record);
    event.exeDevice = record.exe.dev;
    event.exeInode = record.exe.ino;
    event.cookie = record.cookie;
    event.proto = proto;
    event.remoteIP = std::move(*remote);
    event.remotePort = record.port;
    event.refused = record.verdict == NV_REFUSED;
    event.held = record.verdict == NV_HELD;
    return event;
}

Dates::TimePoint bootTime() {
    timespec now{}, sinceBoot{};
    clock_gettime(CLOCK_REALTIME, &now);
    clock_gettime(CLOCK_BOOTTIME, &sinceBoot);
    auto nanoseconds = [](const timespec& time) {
        return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
    };
    return Dates::TimePoint(std::chrono::duration_cast<Dates::TimePoint::duration>(
        nanoseconds(now) - nanoseconds(sinceBoot)));
}

} // namespace ConnectRecord

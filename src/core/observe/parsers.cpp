// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/parsers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "base/net.h"
#include "base/text.h"

namespace Parsers {

namespace {

std::string_view cutZone(std::string_view host) {
    return host.substr(0, host.find('%'));
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.starts_with(prefix);
}

std::optional<Endpoint> splitBracketed(std::string_view s) {
    size_t close = s.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view ip = cutZone(s.substr(1, close - 1));
    std::string_view portText = close + 2 <= s.size() ? s.substr(close + 2) : std::string_view{};
    return Endpoint{Net::unmapped(ip), Text::parseDecimal<int64_t>(portText).value_or(0)};
}

int64_t counterOrZero(const std::vector<std::string_view>& columns, size_t index) {
    if (index >= columns.size()) return 0;
    return Text::parseDecimal<int64_t>(columns[index]).value_or(0);
}

} // namespace

std::optional<Endpoint> splitEndpoint(std::string_view s, bool ipv6) {
    if (startsWith(s, "*")) return std::nullopt;
    if (startsWith(s, "[")) return splitBracketed(s);
    size_t separator = s.rfind(ipv6 ? '.' : ':');
    if (separator == std::string_view::npos) return std::nullopt;
    std::string_view host = s.substr(0, separator);
    auto port = Text::parseDecimal<int64_t>(s.substr(separator + 1));
    if (!port || host.empty() || host == "*") return std::nullopt;
    return Endpoint{Net::unmapped(cutZone(host)), *port};
}

std::vector<Flow> parseNettop(std::string_view text) {
    static constexpr std::array<std::string_view, 6> prefixes{"tcp4 ", "tcp6 ",  "udp4 ",
                                                              "udp6 ", "quic4 ", "quic6 "};
    std::vector<Flow> flows;
    int32_t pid = -1;
    std::string process;
    for (std::string_view line : Text::lines(text)) {
        if (line.front() == ',') continue;
        std::vector<std::string_view> columns = Text::split(line, ',');
        std::string_view first = columns[0];
        auto prefix = std::find_if(prefixes.begin(), prefixes.end(),
                                   [&](std::string_view p) { return first.starts_with(p); });
        if (prefix == prefixes.end()) {
            size_t dot = first.rfind('.');
            auto id = dot == std::string_view::npos
                          ? std::nullopt
                          : Text::parseDecimal<int32_t>(first.substr(dot + 1));
            pid = id.value_or(-1);
            if (id) process = std::string(first.substr(0, dot));
            continue;
        }
        if (pid < 0) continue;
        std::string_view endpoints = first.substr(prefix->size());
        size_t arrow = endpoints.find("<->");
        if (arrow == std::string_view::npos ||
            endpoints.find("<->", arrow + 3) != std::string_view::npos)
            continue;
        bool ipv6 = prefix->find('6') != std::string_view::npos;
        auto remote = splitEndpoint(endpoints.substr(arrow + 3), ipv6);
        if (!remote) continue;
        flows.push_back({pid, process, std::string(prefix->substr(0, prefix->size() - 2)),
                         remote->ip, remote->port, counterOrZero(columns, 1),
                         counterOrZero(columns, 2)});
    }
    return flows;
}

std::vector<Flow> parseLsof(std::string_view text) {
    std::vector<Flow> flows;
    int32_t pid = -1;
    std::string command;
    std::string protocol;
    for (std::string_view line : Text::lines(text)) {
        std::string_view value = line.substr(1);
        switch (line.front()) {
        case 'p':
            pid = Text::parseDecimal<int32_t>(value).value_or(-1);
            break;
        case 'c':
            command = std::string(value);
            break;
        case 'P':
            protocol = Text::toLower(value);
            break;
        case 'n': {
            size_t arrow = value.find("->");
            if (arrow == std::string_view::npos ||
                value.find("->", arrow + 2) != std::string_view::npos || pid < 0)
                break;
            if (auto remote = splitEndpoint(value.substr(arrow + 2), false))
                flows.push_back({pid, command, protocol, remote->ip, remote->port, 0, 0});
            break;
        }
        default:
            break;
        }
    }
    return flows;
}

std::vector<Flow> parseNetstat(std::string_view text) {
    std::vector<Flow> flows;
    for (std::string_view line : Text::lines(text)) {
        std::vector<std::string_view> pieces = Text::splitNonEmpty(line, ' ');
        if (pieces.size() <= 5) continue;
        if (!pieces[0].starts_with("tcp") && !pieces[0].starts_with("udp")) continue;
        if (auto remote = splitEndpoint(pieces[4], true))
            flows.push_back(
                {-1, "?", std::string(pieces[0].substr(0, 3)), remote->ip, remote->port, 0, 0});
    }
    return flows;
}

namespace {

struct SsUser {
    std::string name;
    int32_t pid;
};

// The processes of `users:(("name",pid=N,fd=M),...)`: empty when the line has no users part,
// absent when it has one that cannot be read (for instance cut short).
std::optional<std::vector<SsUser>> ssUsers(std::string_view line) {
    size_t start = line.find("users:(");
    if (start == std::string_view::npos) return std::vector<SsUser>{};
    std::string_view rest = line.substr(start + 7);
    std::vector<SsUser> users;
    for (size_t open = rest.find("(\""); open != std::string_view::npos; open = rest.find("(\"")) {
        rest.remove_prefix(open + 2);
        size_t nameEnd = rest.find("\",pid=");
        if (nameEnd == std::string_view::npos) break;
        std::string_view name = rest.substr(0, nameEnd);
        rest.remove_prefix(nameEnd + 6);
        size_t pidEnd = rest.find_first_of(",)");
        auto pid = Text::parseDecimal<int32_t>(rest.substr(0, pidEnd));
        if (pidEnd == std::string_view::npos || !pid) break;
        rest.remove_prefix(pidEnd);
        bool known = std::any_of(users.begin(), users.end(),
                                 [&](const SsUser& user) { return user.pid == *pid; });
        if (!known) users.push_back({std::string(name), *pid});
    }
    if (users.empty()) return std::nullopt;
    return users;
}

// ss prints a scoped IPv6 peer as "[fe80::1]%eth0:port"; the zone goes, the port stays.
std::string ssPeer(std::string_view peer) {
    size_t zone = peer.find("]%");
    size_t colon = peer.rfind(':');
    if (zone == std::string_view::npos || colon == std::string_view::npos || colon < zone)
        return std::string(peer);
    return std::string(peer.substr(0, zone + 1)).append(peer.substr(colon));
}

std::optional<int64_t> counter(const std::vector<std::string_view>& words, std::string_view key) {
    for (std::string_view word : words)
        if (word.starts_with(key) && word.size() > key.size() && word[key.size()] == ':')
            return Text::parseDecimal<int64_t>(word.substr(key.size() + 1));
    return std::nullopt;
}

struct Counters {
    int64_t received = 0;
    int64_t sent = 0;
};

Counters counters(std::string_view infoLine) {
    std::vector<std::string_view> words = Text::words(infoLine);
    int64_t received = counter(words, "bytes_received").value_or(0);
    // bytes_sent is the data written; ss leaves it out while it is zero. bytes_acked (the only
    // counter of older kernels) also counts the SYN, which is no data.
    auto acked = counter(words, "bytes_acked");
    int64_t sent =
        counter(words, "bytes_sent").value_or(acked ? std::max<int64_t>(*acked - 1, 0) : 0);
    return {received, sent};
}

void applyCounters(std::string_view infoLine, std::vector<Flow>& flows, size_t from) {
    Counters read = counters(infoLine);
    for (size_t i = from; i < flows.size(); ++i) {
        flows[i].bytesIn = read.received;
        flows[i].bytesOut = read.sent;
    }
}

bool isDetailLine(std::string_view line) {
    return line.front() == ' ' || line.front() == '\t';
}

// The columns of a tcp or udp socket line with a remote endpoint, else nothing.
std::optional<std::pair<std::vector<std::string_view>, Endpoint>>
ssSocketLine(std::string_view line) {
    std::vector<std::string_view> columns = Text::words(line);
    if (columns.size() < 6 || (columns[0] != "tcp" && columns[0] != "udp")) return std::nullopt;
    auto remote = splitEndpoint(ssPeer(columns[5]), false);
    if (!remote) return std::nullopt;
    return std::pair{std::move(columns), std::move(*remote)};
}

// The value of the first word "KEY:VALUE" after the endpoints: what `ss -e` prints there comes
// before anything else, which might repeat a key.
std::optional<std::string_view> ssField(const std::vector<std::string_view>& columns,
                                        std::string_view key) {
    for (size_t i = 6; i < columns.size(); ++i)
        if (columns[i].starts_with(key) && columns[i].substr(key.size()).starts_with(':'))
            return columns[i].substr(key.size() + 1);
    return std::nullopt;
}

// What `ss -e` adds after the endpoints: "uid:N", "ino:N" and "sk:COOKIE" (hexadecimal). An inode
// of 0 means no descriptor holds the socket.
SocketFacts ssFacts(const std::vector<std::string_view>& columns, uint64_t& inode) {
    SocketFacts facts;
    auto ino = ssField(columns, "ino");
    inode = ino ? Text::parseDecimal<uint64_t>(*ino).value_or(0) : 0;
    if (auto uid = ssField(columns, "uid")) facts.uid = Text::parseDecimal<uint32_t>(*uid);
    if (auto cookie = ssField(columns, "sk"))
        facts.cookie = Text::parseHex<uint64_t>(*cookie).value_or(0);
    if (auto local = splitEndpoint(ssPeer(columns[4]), false)) {
        facts.localIP = std::move(local->ip);
        facts.localPort = local->port;
    }
    facts.closed = inode == 0;
    return facts;
}

} // namespace

std::vector<Flow> parseSs(std::string_view text) {
    std::vector<Flow> flows;
    // Flows of the socket line just read, which a following detail line completes.
    constexpr size_t none = SIZE_MAX;
    size_t pending = none;
    for (std::string_view line : Text::lines(text)) {
        if (isDetailLine(line)) {
            if (pending != none) applyCounters(line, flows, pending);
            pending = none;
            continue;
        }
        pending = none;
        auto socket = ssSocketLine(line);
        auto users = ssUsers(line);
        if (!socket || !users) continue;
        if (users->empty()) users->push_back({"?", -1});
        pending = flows.size();
        const auto& [columns, remote] = *socket;
        for (const SsUser& user : *users)
            flows.push_back(
                {user.pid, user.name, std::string(columns[0]), remote.ip, remote.port, 0, 0});
    }
    return flows;
}

std::vector<ListedSocket> parseSsSockets(std::string_view text) {
    std::vector<ListedSocket> sockets;
    bool pending = false;
    for (std::string_view line : Text::lines(text)) {
        if (isDetailLine(line)) {
            if (pending) {
                Counters read = counters(line);
                sockets.back().bytesIn = read.received;
                sockets.back().bytesOut = read.sent;
            }
            pending = false;
            continue;
        }
        auto socket = ssSocketLine(line);
        pending = socket.has_value();
        if (!socket) continue;
        auto& [columns, remote] = *socket;
        uint64_t inode = 0;
        SocketFacts facts = ssFacts(columns, inode);
        sockets.push_back({std::string(columns[0]), std::move(remote.ip), remote.port, inode, 0, 0,
                           std::move(facts)});
    }
    return sockets;
}

} // namespace Parsers

// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/net.h"

#include <array>
#include <cstdint>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <nlohmann/json.hpp>

#include "base/enum_text.h"
#include "base/text.h"

namespace {

constexpr std::array<std::string_view, 5> kindNames{"loopback", "local", "linkLocal", "multicast",
                                                    "internet"};

AddressKind ipv4Kind(std::string_view s) {
    std::vector<int64_t> numbers;
    for (std::string_view piece : Text::splitNonEmpty(s, '.'))
        if (auto number = Text::parseDecimal<int64_t>(piece)) numbers.push_back(*number);
    if (numbers.size() != 4) return AddressKind::internet;
    int64_t a = numbers[0], b = numbers[1];
    if (a >= 224 && a <= 239) return AddressKind::multicast;
    if (a == 10 || (a == 100 && b >= 64 && b <= 127) || (a == 172 && b >= 16 && b <= 31) ||
        (a == 192 && b == 168) || a == 0 || a == 255)
        return AddressKind::local;
    return AddressKind::internet;
}

// The address in `text` as inet_ntop writes it, IPv4-mapped IPv6 as IPv4; absent for no address.
std::optional<std::string> canonicalIP(std::string_view text) {
    // inet_pton would stop at an embedded NUL and accept what precedes it.
    if (text.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string s(text);
    char out[INET6_ADDRSTRLEN];
    in_addr v4{};
    if (inet_pton(AF_INET, s.c_str(), &v4) == 1) return inet_ntop(AF_INET, &v4, out, sizeof out);
    in6_addr v6{};
    if (inet_pton(AF_INET6, s.c_str(), &v6) != 1) return std::nullopt;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) return inet_ntop(AF_INET, &v6.s6_addr[12], out, sizeof out);
    return inet_ntop(AF_INET6, &v6, out, sizeof out);
}

} // namespace

std::string toString(AddressKind kind) {
    return EnumText::name(kindNames, kind);
}

std::optional<AddressKind> addressKindFrom(std::string_view text) {
    return EnumText::parse<AddressKind>(kindNames, text);
}

void to_json(nlohmann::json& json, AddressKind kind) {
    json = toString(kind);
}

void from_json(const nlohmann::json& json, AddressKind& kind) {
    kind = EnumText::decode<AddressKind>(kindNames, json, "address kind");
}

namespace Net {

std::string unmapped(std::string_view ip) {
    if (ip.find(':') == std::string_view::npos || ip.find('\0') != std::string_view::npos)
        return std::string(ip);
    const std::string text(ip);
    in6_addr address{};
    char dotted[INET_ADDRSTRLEN];
    if (inet_pton(AF_INET6, text.c_str(), &address) != 1 || !IN6_IS_ADDR_V4MAPPED(&address) ||
        !inet_ntop(AF_INET, &address.s6_addr[12], dotted, sizeof dotted))
        return text;
    return dotted;
}

AddressKind kind(std::string_view ip) {
    std::string s = Text::toLower(unmapped(ip));
    if (s == "::1" || s.starts_with("127.")) return AddressKind::loopback;
    if (s.starts_with("fe80:") || s.starts_with("169.254.")) return AddressKind::linkLocal;
    bool colon = s.find(':') != std::string::npos;
    if (s.starts_with("ff") && colon) return AddressKind::multicast;
    if (colon)
        return s.starts_with("fc") || s.starts_with("fd") ? AddressKind::local
                                                          : AddressKind::internet;
    return ipv4Kind(s);
}

std::string canonical(std::string_view target) {
    return canonicalIP(target).value_or(Text::toLower(target));
}

bool isLoopbackOrUnspecified(std::string_view ip) {
    return ip == "0.0.0.0" || ip == "::" || (isValidIP(ip) && kind(ip) == AddressKind::loopback);
}

bool isValidIP(std::string_view s) {
    return canonicalIP(s).has_value();
}

bool isValidDomain(std::string_view s) {
    if (s.size() < 3 || s.size() > 253) return false;
    if (s.find('.') == std::string_view::npos || s.front() == '.' || s.back() == '.') return false;
    if (s.find("..") != std::string_view::npos) return false;
    for (char c : s) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
    }
    return true;
}

} // namespace Net

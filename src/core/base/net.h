// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

// Where a remote address lies, from this machine's point of view.
enum class AddressKind { loopback, local, linkLocal, multicast, internet };

std::string toString(AddressKind kind);
std::optional<AddressKind> addressKindFrom(std::string_view text);
void to_json(nlohmann::json& json, AddressKind kind);
void from_json(const nlohmann::json& json, AddressKind& kind);

// Text tests on addresses and domain names as the listers print them.
namespace Net {

AddressKind kind(std::string_view ip);
// The IPv4 address an IPv4-mapped IPv6 address (::ffff:a.b.c.d, as dual-stack sockets report
// IPv4 peers) carries, in dotted form; any other text unchanged. The same peer is then one
// destination, classified, matched and blocked as IPv4.
std::string unmapped(std::string_view ip);
// The one form a rule target is kept and matched in: an address as inet_ntop writes it (IPv6
// compressed in lower case, IPv4-mapped IPv6 as plain IPv4); any other text in ASCII lower case.
std::string canonical(std::string_view target);
// True for a loopback (127.0.0.0/8, ::1) or unspecified (0.0.0.0, ::) address in canonical form.
bool isLoopbackOrUnspecified(std::string_view ip);
// True for a textual IPv4 or IPv6 address.
bool isValidIP(std::string_view s);
// True for a dotted name of ASCII letters, digits and "-", 3 to 253 characters.
bool isValidDomain(std::string_view s);

} // namespace Net

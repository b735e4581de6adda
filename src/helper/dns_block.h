// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "base/result.h"

// Blocking domains in DNS through dnsmasq: the servers-file it reads (`server=/domain/` answers
// NXDOMAIN for the domain and every name under it) and the ways dnsmasq is plugged in.
namespace DnsBlock {

// How dnsmasq answers this machine's lookups; `hosts` means it does not, and every blocked
// domain goes to the hosts file as before.
enum class Mode { hosts, resolved, networkManager, own };

// "hosts", "resolved", "networkmanager", "own".
std::string_view name(Mode mode);
std::optional<Mode> parseMode(std::string_view text);

// Answered NXDOMAIN whatever is blocked: browsers then keep their built-in DNS-over-HTTPS off,
// which would bypass the block.
inline constexpr std::string_view canaryDomain = "use-application-dns.net";

// The servers-file for `domains` (valid, lower-case domains).
std::string serversFile(const std::vector<std::string>& domains);

// The domains of `domains` that the list file `listedText` (tracker list format) does not hold:
// the user's own, which also go to the hosts file.
std::vector<std::string> ownDomains(const std::vector<std::string>& domains,
                                    std::string_view listedText);

// Writes `text` to `path` (readable by all: dnsmasq reads it after dropping root) unless it
// already holds exactly that.
Result<void> writeIfChanged(const std::string& path, const std::string& text);

} // namespace DnsBlock

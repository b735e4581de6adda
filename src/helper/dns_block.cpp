// SPDX-License-Identifier: GPL-3.0-or-later
#include "dns_block.h"

#include <algorithm>

#include <sys/stat.h>

#include "base/atomic_file.h"
#include "classify/tracker_list.h"

namespace DnsBlock {

namespace {

constexpr std::pair<Mode, std::string_view> modeNames[] = {{Mode::hosts, "hosts"},
                                                           {Mode::resolved, "resolved"},
                                                           {Mode::networkManager, "networkmanager"},
                                                           {Mode::own, "own"}};

} // namespace

std::string_view name(Mode mode) {
    for (const auto& [known, text] : modeNames)
        if (known == mode) return text;
    return "hosts";
}

std::optional<Mode> parseMode(std::string_view text) {
    for (const auto& [mode, known] : modeNames)
        if (known == text) return mode;
    return std::nullopt;
}

std::string serversFile(const std::vector<std::string>& domains) {
    std::string text = "# Written by nattervane-helper: NXDOMAIN for each domain and the names "
                       "under it.\n";
    text.reserve(text.size() + (domains.size() + 1) * 32);
    text.append("server=/").append(canaryDomain).append("/\n");
    for (const std::string& domain : domains)
        if (domain != canaryDomain) text.append("server=/").append(domain).append("/\n");
    return text;
}

std::vector<std::string> ownDomains(const std::vector<std::string>& domains,
                                    std::string_view listedText) {
    TrackerList listed(listedText);
    std::vector<std::string> own;
    for (const std::string& domain : domains)
        if (!listed.domains().contains(domain)) own.push_back(domain);
    return own;
}

Result<void> writeIfChanged(const std::string& path, const std::string& text) {
    if (AtomicFile::holds(path, text)) return {};
    if (Result<void> written = AtomicFile::write(path, text); !written) return written;
    if (chmod(path.c_str(), 0644) != 0)
        return Error::fromErrno("cannot make " + path + " readable");
    return {};
}

} // namespace DnsBlock

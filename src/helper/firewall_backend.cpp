// SPDX-License-Identifier: GPL-3.0-or-later
#include "firewall_backend.h"

#include <cstdio>
#include <string_view>

#include <unistd.h>

#include "base/atomic_file.h"
#include "firewall_script.h"

namespace {

// Cleared at boot, when pf forgets its references too.
constexpr const char* pfTokenFile = "/var/run/nattervane-pf.token";
constexpr const char* pfctl = "/sbin/pfctl";

std::string nftPath() {
    for (const char* path : {"/usr/sbin/nft", "/sbin/nft", "/usr/bin/nft"})
        if (access(path, X_OK) == 0) return path;
    return "/usr/sbin/nft";
}

FirewallBackend nftables() {
    std::vector<std::string> nft{nftPath(), "-f", "-"};
    return {.applyCommand = nft,
            .applyScript = FirewallScript::nftApply,
            .removeCommand = nft,
            .removeScript = FirewallScript::nftRemove(),
            .flushCommands = {{"/usr/bin/resolvectl", "flush-caches"}}};
}

// `pfctl -E` enables pf and hands out a reference; pf stays enabled until every holder has
// released its reference, so enabling never fights another user of pf.
void holdPfReference() {
    if (AtomicFile::read(pfTokenFile)) return;
    Result<ToolRunner::Outcome> enabled =
        ToolRunner::run({pfctl, "-E"}, FirewallBackend::commandOptions());
    if (!enabled) return;
    if (auto token = FirewallScript::pfToken(enabled->output))
        // Without the file the reference is only not released at removal; pf stays enabled.
        static_cast<void>(AtomicFile::write(pfTokenFile, *token + "\n"));
}

void releasePfReference() {
    auto stored = AtomicFile::read(pfTokenFile);
    if (!stored) return;
    // A reference that cannot be released only keeps pf enabled.
    if (auto token = FirewallScript::pfToken("Token : " + *stored))
        static_cast<void>(
            ToolRunner::run({pfctl, "-X", *token}, FirewallBackend::commandOptions()));
    std::remove(pfTokenFile);
}

FirewallBackend pf() {
    std::string anchor(FirewallScript::pfAnchor);
    return {.applyCommand = {pfctl, "-a", anchor, "-f", "-"},
            .applyScript = FirewallScript::pfApply,
            .removeCommand = {pfctl, "-a", anchor, "-F", "all"},
            .removeScript = "",
            .flushCommands = {{"/usr/bin/dscacheutil", "-flushcache"},
                              {"/usr/bin/killall", "-HUP", "mDNSResponder"}},
            .afterApply = holdPfReference,
            .afterRemove = releasePfReference};
}

} // namespace

FirewallBackend FirewallBackend::forPlatform(const platform::Descriptor& platform) {
    return platform.name == platform::macos().name ? pf() : nftables();
}

ToolRunner::Options FirewallBackend::commandOptions(std::string input) {
    return {.input = std::move(input), .errors = ToolRunner::ErrorOutput::merged, .timeout = 120.0};
}

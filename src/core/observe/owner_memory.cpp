// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/owner_memory.h"

#include <cstring>

namespace {

// The cookie's bytes after a mark no pair key starts with: short enough to need no allocation.
std::string cookieKey(uint64_t cookie) {
    std::string key(1 + sizeof cookie, 'c');
    std::memcpy(key.data() + 1, &cookie, sizeof cookie);
    return key;
}

// Both ends of the socket; empty when the lister does not tell its own end.
std::string pairKey(const Flow& flow) {
    const SocketFacts& facts = flow.facts;
    if (facts.localIP.empty() || facts.localPort == 0) return "";
    return flow.proto + "|" + facts.localIP + "|" + std::to_string(facts.localPort) + "|" +
           flow.remoteIP + "|" + std::to_string(flow.remotePort);
}

} // namespace

void OwnerMemory::remember(const Flow& flow, const Owner& owner, Dates::TimePoint now) {
    if (flow.facts.cookie) keep(cookieKey(flow.facts.cookie), owner, now);
    if (std::string pair = pairKey(flow); !pair.empty()) keep(std::move(pair), owner, now);
}

void OwnerMemory::keep(std::string key, const Owner& owner, Dates::TimePoint now) {
    // A socket that stays is remembered again at every scan with the same owner: within a
    // quarter of the lifetime that changes nothing worth a copy and an entry in the order.
    auto kept = owners_.find(key);
    if (kept != owners_.end() && kept->second.owner == owner &&
        now - kept->second.at < lifetime_ / 4)
        return;
    owners_[key] = {owner, now};
    order_.emplace_back(std::move(key), now);
    // Entries of keys remembered again are dropped as they reach the front; the deque stays
    // within a small multiple of the keys.
    while (owners_.size() > capacity_ || order_.size() > 4 * capacity_) {
        auto& [oldest, at] = order_.front();
        auto kept = owners_.find(oldest);
        if (kept != owners_.end() && kept->second.at == at) owners_.erase(kept);
        order_.pop_front();
    }
}

std::optional<OwnerMemory::Owner> OwnerMemory::recall(const Flow& flow) const {
    if (flow.facts.cookie)
        if (auto kept = owners_.find(cookieKey(flow.facts.cookie)); kept != owners_.end())
            return kept->second.owner;
    std::string pair = pairKey(flow);
    if (pair.empty()) return std::nullopt;
    auto kept = owners_.find(pair);
    return kept == owners_.end() ? std::nullopt : std::optional(kept->second.owner);
}

std::optional<OwnerMemory::Owner> OwnerMemory::recallAgain(const Flow& flow, Dates::TimePoint now) {
    // A socket listed at every scan is found by its cookie: one look-up refreshes that key.
    auto kept = flow.facts.cookie ? owners_.find(cookieKey(flow.facts.cookie)) : owners_.end();
    if (kept == owners_.end()) {
        std::optional<Owner> owner = recall(flow);
        if (owner) remember(flow, *owner, now);
        return owner;
    }
    Owner owner = kept->second.owner;
    // The pair was remembered with the cookie: both are refreshed together, a quarter of the
    // lifetime apart, and the scans in between cost one look-up.
    if (now - kept->second.at < lifetime_ / 4) return owner;
    keep(kept->first, owner, now);
    if (std::string pair = pairKey(flow); !pair.empty()) keep(std::move(pair), owner, now);
    return owner;
}

bool OwnerMemory::toldByEvent(uint64_t cookie) const {
    auto kept = owners_.find(cookieKey(cookie));
    return kept != owners_.end() && kept->second.owner.fromEvent;
}

void OwnerMemory::expire(Dates::TimePoint now) {
    while (!order_.empty() && now - order_.front().second > lifetime_) {
        auto& [oldest, at] = order_.front();
        auto kept = owners_.find(oldest);
        if (kept != owners_.end() && kept->second.at == at) owners_.erase(kept);
        order_.pop_front();
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/owner_memory.h"

namespace {

// Both ends of the socket; empty when the lister does not tell its own end.
std::string pairKey(const Flow& flow) {
    const SocketFacts& facts = flow.facts;
    if (facts.localIP.empty() || facts.localPort == 0) return "";
    return flow.proto + "|" + facts.localIP + "|" + std::to_string(facts.localPort) + "|" +
           flow.remoteIP + "|" + std::to_string(flow.remotePort);
}

} // namespace

void OwnerMemory::remember(const Flow& flow, const Owner& owner, Dates::TimePoint now) {
    if (flow.facts.cookie) keep(cookies_, flow.facts.cookie, owner, now);
    if (std::string pair = pairKey(flow); !pair.empty()) keep(pairs_, std::move(pair), owner, now);
}

template <typename Key>
void OwnerMemory::keep(Keys<Key>& keys, Key key, const Owner& owner, Dates::TimePoint now) {
    // A socket that stays is remembered again at every scan with the same owner: within a
    // quarter of the lifetime that changes nothing worth a copy and an entry in the order.
    auto kept = keys.owners.find(key);
    if (kept != keys.owners.end() && kept->second.owner == owner &&
        now - kept->second.at < lifetime_ / 4)
        return;
    keys.owners[key] = {owner, now};
    keys.order.emplace_back(std::move(key), now);
    // Entries of keys remembered again are dropped as they reach the front; the deque stays
    // within a small multiple of the keys.
    while (keys.owners.size() > capacity_ || keys.order.size() > 4 * capacity_) {
        auto& [oldest, at] = keys.order.front();
        auto kept = keys.owners.find(oldest);
        if (kept != keys.owners.end() && kept->second.at == at) keys.owners.erase(kept);
        keys.order.pop_front();
    }
}

std::optional<OwnerMemory::Owner> OwnerMemory::recall(const Flow& flow) const {
    if (flow.facts.cookie)
        if (auto kept = cookies_.owners.find(flow.facts.cookie); kept != cookies_.owners.end())
            return kept->second.owner;
    std::string pair = pairKey(flow);
    if (pair.empty()) return std::nullopt;
    auto kept = pairs_.owners.find(pair);
    return kept == pairs_.owners.end() ? std::nullopt : std::optional(kept->second.owner);
}

std::optional<OwnerMemory::Owner> OwnerMemory::recallAgain(const Flow& flow, Dates::TimePoint now) {
    // A socket listed at every scan is found by its cookie: one look-up refreshes that key.
    auto kept = flow.facts.cookie ? cookies_.owners.find(flow.facts.cookie) : cookies_.owners.end();
    if (kept == cookies_.owners.end()) {
        std::optional<Owner> owner = recall(flow);
        if (owner) remember(flow, *owner, now);
        return owner;
    }
    Owner owner = kept->second.owner;
    // The pair was remembered with the cookie: both are refreshed together, a quarter of the
    // lifetime apart, and the scans in between cost one look-up.
    if (now - kept->second.at < lifetime_ / 4) return owner;
    remember(flow, owner, now);
    return owner;
}

bool OwnerMemory::toldByEvent(uint64_t cookie) const {
    auto kept = cookies_.owners.find(cookie);
    return kept != cookies_.owners.end() && kept->second.owner.fromEvent;
}

void OwnerMemory::expire(Dates::TimePoint now) {
    expire(cookies_, now);
    expire(pairs_, now);
}

template <typename Key> void OwnerMemory::expire(Keys<Key>& keys, Dates::TimePoint now) {
    while (!keys.order.empty() && now - keys.order.front().second > lifetime_) {
        auto& [oldest, at] = keys.order.front();
        auto kept = keys.owners.find(oldest);
        if (kept != keys.owners.end() && kept->second.at == at) keys.owners.erase(kept);
        keys.order.pop_front();
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/resolver.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include "base/atomic_file.h"
#include "base/net.h"
#include "base/text.h"
#include "classify/ip_orgs.h"

Resolver::Lookups Resolver::Lookups::system() {
    return {&Resolver::reverse, &Resolver::forward};
}

struct Resolver::State {
    Lookups lookups;
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable idle;
    std::unordered_map<std::string, std::optional<std::string>> cache;
    std::unordered_map<std::string, std::string> forward;
    // The keys of `cache` and `forward` in the order they came, for dropping the oldest.
    std::deque<std::string> cacheOrder;
    std::deque<std::string> forwardOrder;
    std::unordered_map<std::string, std::string> published;
    std::unordered_set<std::string> pending;
    std::deque<std::function<void(State&)>> queue;
    size_t running = 0;
    bool stopping = false;
    // Counts the names learnt: answers, primed addresses and readings of the names file.
    std::atomic<uint64_t> learnt = 0;
};

Resolver::Resolver(Lookups lookups, size_t workers, std::string namesFile)
    : state_(std::make_shared<State>()), namesFile_(std::move(namesFile)) {
    state_->lookups = std::move(lookups);
    for (size_t i = 0; i < workers; ++i)
        std::thread(work, state_).detach();
}

Resolver::~Resolver() {
    {
        std::lock_guard guard(state_->lock);
        state_->stopping = true;
        state_->queue.clear();
    }
    state_->wake.notify_all();
}

std::optional<std::string> Resolver::name(std::string_view ip) {
    std::string key(ip);
    State& state = *state_;
    {
        std::lock_guard guard(state.lock);
        if (auto asked = state.published.find(key); asked != state.published.end())
            return asked->second;
        if (auto learnt = state.forward.find(key); learnt != state.forward.end())
            return learnt->second;
        if (auto cached = state.cache.find(key); cached != state.cache.end()) return cached->second;
        if (Net::kind(ip) != AddressKind::internet || state.pending.size() >= mostPending ||
            !state.pending.insert(key).second)
            return std::nullopt;
        // Newest first: behind a backlog of slow lookups, the address just met is the one shown.
        state.queue.push_front([key](State& s) { lookUp(s, key); });
    }
    state.wake.notify_one();
    return std::nullopt;
}

void Resolver::prime(const std::vector<std::string>& domains) {
    for (const std::string& domain : domains)
        submit([domain](State& state) { learn(state, domain); });
}

namespace {

// Far more than the helper's bound of entries ever takes.
constexpr int64_t maxNamesFileBytes = 4 * 1024 * 1024;

} // namespace

void Resolver::refreshNames() {
    if (namesFile_.empty()) return;
    FileStamp stamp;
    struct stat status {};
    if (stat(namesFile_.c_str(), &status) == 0 && S_ISREG(status.st_mode))
        stamp = {status.st_mtim.tv_sec, status.st_mtim.tv_nsec, status.st_size, status.st_ino};
    if (stamp == namesStamp_) return;
    namesStamp_ = stamp;
    std::unordered_map<std::string, std::string> names;
    if (stamp.seconds >= 0 && stamp.size <= maxNamesFileBytes)
        names = parseNames(AtomicFile::read(namesFile_).value_or(""));
    std::lock_guard guard(state_->lock);
    state_->published = std::move(names);
    ++state_->learnt;
}

uint64_t Resolver::learnt() const {
    return state_->learnt;
}

std::unordered_map<std::string, std::string> Resolver::parseNames(std::string_view text) {
    std::unordered_map<std::string, std::string> names;
    for (std::string_view line : Text::splitNonEmpty(text, '\n')) {
        size_t space = line.find(' ');
        if (space == std::string_view::npos) continue;
        std::string_view address = line.substr(0, space);
        std::string_view name = line.substr(space + 1);
        if (Net::isValidIP(address) && Net::isValidDomain(name))
            names.emplace(Net::unmapped(address), Text::toLower(name));
    }
    return names;
}

bool Resolver::waitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock guard(state_->lock);
    return state_->idle.wait_for(guard, timeout,
                                 [this] { return state_->queue.empty() && state_->running == 0; });
}

void Resolver::submit(std::function<void(State&)> work) {
    {
        std::lock_guard guard(state_->lock);
        state_->queue.push_back(std::move(work));
    }
    state_->wake.notify_one();
}

void Resolver::work(std::shared_ptr<State> state) {
    std::unique_lock guard(state->lock);
    for (;;) {
        state->wake.wait(guard, [&] { return state->stopping || !state->queue.empty(); });
        if (state->stopping) return;
        std::function<void(State&)> next = std::move(state->queue.front());
        state->queue.pop_front();
        ++state->running;
        guard.unlock();
        next(*state);
        guard.lock();
        --state->running;
        if (state->queue.empty() && state->running == 0) state->idle.notify_all();
    }
}

namespace {

// Sets `map[key]`; a new key beyond `Resolver::mostAddresses` pushes out the oldest.
template <typename Value>
void keep(std::unordered_map<std::string, Value>& map, std::deque<std::string>& order,
          const std::string& key, Value value) {
    auto [place, added] = map.insert_or_assign(key, std::move(value));
    if (!added) return;
    order.push_back(key);
    if (order.size() <= Resolver::mostAddresses) return;
    map.erase(order.front());
    order.pop_front();
}

} // namespace

void Resolver::lookUp(State& state, const std::string& ip) {
    std::optional<std::string> host = state.lookups.reverse(ip);
    std::lock_guard guard(state.lock);
    if (host) ++state.learnt;
    // A failure is remembered too, so an address without a name is asked about only once.
    keep(state.cache, state.cacheOrder, ip, std::move(host));
    state.pending.erase(ip);
}

void Resolver::learn(State& state, const std::string& domain) {
    for (const std::string& address : state.lookups.forward(domain)) {
        // Addresses of a known provider's block are named by the provider, not the domain.
        if (IPOrgs::lookup(address)) continue;
        std::lock_guard guard(state.lock);
        keep(state.forward, state.forwardOrder, address, domain);
        ++state.learnt;
    }
}

std::optional<std::string> Resolver::reverse(const std::string& ip) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* info = nullptr;
    if (getaddrinfo(ip.c_str(), nullptr, &hints, &info) != 0 || !info) return std::nullopt;
    char host[1025] = {};
    int status =
        getnameinfo(info->ai_addr, info->ai_addrlen, host, sizeof host, nullptr, 0, NI_NAMEREQD);
    freeaddrinfo(info);
    if (status != 0) return std::nullopt;
    std::string name = Text::toLower(host);
    if (name.ends_with('.')) name.pop_back();
    // The answer comes from whoever serves the reverse zone; only a real host name is kept.
    if (!Net::isValidDomain(name)) return std::nullopt;
    return name;
}

std::vector<std::string> Resolver::forward(const std::string& domain) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* info = nullptr;
    std::vector<std::string> addresses;
    if (getaddrinfo(domain.c_str(), nullptr, &hints, &info) != 0) return addresses;
    for (addrinfo* entry = info; entry; entry = entry->ai_next) {
        char text[1025] = {};
        if (getnameinfo(entry->ai_addr, entry->ai_addrlen, text, sizeof text, nullptr, 0,
                        NI_NUMERICHOST) == 0)
            addresses.emplace_back(text);
    }
    freeaddrinfo(info);
    return addresses;
}

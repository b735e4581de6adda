#include "resolver.h"

#include <netdb.h>
#include <sys/socket.h>

#include "ip_orgs.h"
#include "net.h"
#include "text.h"

Resolver::Lookups Resolver::Lookups::system() {
    return {&Resolver::reverse, &Resolver::forward};
}

Resolver::Resolver(Lookups lookups, size_t workers) : lookups_(std::move(lookups)) {
    for (size_t i = 0; i < workers; ++i)
        workers_.emplace_back([this] { work(); });
}

Resolver::~Resolver() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

std::optional<std::string> Resolver::name(std::string_view ip) {
    std::string key(ip);
    std::lock_guard guard(lock_);
    if (auto learnt = forward_.find(key); learnt != forward_.end()) return learnt->second;
    if (auto cached = cache_.find(key); cached != cache_.end()) return cached->second;
    if (Net::kind(ip) == AddressKind::internet && pending_.insert(key).second)
        queue_.push_back([this, key] { lookUp(key); });
    wake_.notify_one();
    return std::nullopt;
}

void Resolver::prime(const std::vector<std::string>& domains) {
    for (const std::string& domain : domains)
        submit([this, domain] { learn(domain); });
}

bool Resolver::waitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    return idle_.wait_for(guard, timeout, [this] { return queue_.empty() && running_ == 0; });
}

void Resolver::submit(std::function<void()> work) {
    {
        std::lock_guard guard(lock_);
        queue_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void Resolver::work() {
    std::unique_lock guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        std::function<void()> next = std::move(queue_.front());
        queue_.pop_front();
        ++running_;
        guard.unlock();
        next();
        guard.lock();
        --running_;
        if (queue_.empty() && running_ == 0) idle_.notify_all();
    }
}

void Resolver::lookUp(const std::string& ip) {
    std::optional<std::string> host = lookups_.reverse(ip);
    std::lock_guard guard(lock_);
    // A failure is remembered too, so an address without a name is asked about only once.
    cache_[ip] = std::move(host);
    pending_.erase(ip);
}

void Resolver::learn(const std::string& domain) {
    for (const std::string& address : lookups_.forward(domain)) {
        // Addresses of a known provider's block are named by the provider, not the domain.
        if (IPOrgs::lookup(address)) continue;
        std::lock_guard guard(lock_);
        forward_[address] = domain;
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

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Host names for addresses without ever making a caller wait for the network: answers come
// from memory at once, and an unseen internet address starts a reverse lookup on the resolver's
// own pool of worker threads, so that a later call can name it. Priming with watched domains
// ties the addresses they resolve to back to those domains. Where the blocking helper publishes
// the names programs looked up (the names file), those come first.
class Resolver {
  public:
    // The blocking lookups, replaceable so tests need no network.
    struct Lookups {
        std::function<std::optional<std::string>(const std::string& ip)> reverse;
        std::function<std::vector<std::string>(const std::string& domain)> forward;

        static Lookups system();
    };

    // The addresses whose reverse name, and those whose primed domain, are kept (each), the
    // oldest answer dropped first: more than a desktop reaches in a day, and a bound where a
    // delivery network or a peer-to-peer program brings ever new ones.
    static constexpr size_t mostAddresses = 32768;
    // The reverse lookups waiting or running at most; a new address past them is looked up when
    // asked about again. So thousands of new addresses at once cost a bounded amount per scan.
    static constexpr size_t mostPending = 256;

    explicit Resolver(Lookups lookups = Lookups::system(), size_t workers = 4,
                      std::string namesFile = {});
    // Drops the lookups not yet started and returns at once; running ones finish in the
    // background (the system's own timeouts bound them) and their results are dropped. The
    // lookup functions must therefore own whatever they use.
    ~Resolver();
    Resolver(const Resolver&) = delete;
    Resolver& operator=(const Resolver&) = delete;

    // The name known for `ip`: the published one, a primed domain, or a reverse name; absent
    // while unknown (starting a background lookup for a new address).
    std::optional<std::string> name(std::string_view ip);
    // Looks up each domain in the background and remembers the addresses it resolves to.
    void prime(const std::vector<std::string>& domains);
    // Reads the names file again when it changed since the last call (one stat otherwise); a
    // missing file means no published names.
    void refreshNames();
    // Grows whenever a name becomes known, so that a caller holding unnamed addresses asks
    // again only then. Safe from any thread.
    uint64_t learnt() const;
    // Waits until no lookup is queued or running; false when `timeout` passed first.
    bool waitIdle(std::chrono::milliseconds timeout);

    // Blocking reverse lookup: the lower-cased name without its final dot, absent when the
    // address has none (a numeric answer or a text that is no valid host name counts as none).
    static std::optional<std::string> reverse(const std::string& ip);
    // Blocking forward lookup: the numeric addresses of `domain`, in the order given.
    static std::vector<std::string> forward(const std::string& domain);
    // The "ADDRESS NAME" lines of a names file, with lines of no valid address or domain left out.
    static std::unordered_map<std::string, std::string> parseNames(std::string_view text);

  private:
    // Shared with the workers, which may outlive the resolver by one lookup each.
    struct State;

    static void work(std::shared_ptr<State> state);
    static void lookUp(State& state, const std::string& ip);
    static void learn(State& state, const std::string& domain);
    void submit(std::function<void(State&)> work);

    std::shared_ptr<State> state_;
    std::string namesFile_;
    // Identity of the names file last read: modification time, size and inode.
    struct FileStamp {
        int64_t seconds = -1;
        int64_t nanoseconds = 0;
        int64_t size = 0;
        uint64_t inode = 0;
        bool operator==(const FileStamp&) const = default;
    } namesStamp_;
};

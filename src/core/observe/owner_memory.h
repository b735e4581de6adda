// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/dates.h"
#include "observe/app_identity.h"
#include "observe/flow.h"

// Who made the connections seen lately, by the socket's cookie and by its pair of addresses, so
// that what a connection leaves behind after its program closed it is named after that program.
// Holds at most `capacity` cookies and as many pairs, each until `lifetime` after it was last
// remembered (a key remembered again with the same owner within a quarter of the lifetime keeps
// its time); the oldest go first.
class OwnerMemory {
  public:
    struct Owner {
        int32_t pid = -1;
        AppIdentity app;
        // Told by the event service, which saw the connection being made.
        bool fromEvent = false;

        bool operator==(const Owner&) const = default;
    };

    explicit OwnerMemory(size_t capacity = 8192,
                         std::chrono::seconds lifetime = std::chrono::seconds(120))
        : capacity_(capacity), lifetime_(lifetime) {}

    // Remembers `owner` for the socket of `flow`, under each key it has.
    void remember(const Flow& flow, const Owner& owner, Dates::TimePoint now);
    // The owner remembered for the socket of `flow`: by its cookie, else by its addresses.
    std::optional<Owner> recall(const Flow& flow) const;
    // The same, remembered again for another lifetime under each key of `flow`.
    std::optional<Owner> recallAgain(const Flow& flow, Dates::TimePoint now);
    // The cookie is remembered with an owner the event service told.
    bool toldByEvent(uint64_t cookie) const;
    // Forgets what is older than the lifetime.
    void expire(Dates::TimePoint now);
    size_t size() const { return cookies_.owners.size() + pairs_.owners.size(); }

  private:
    struct Kept {
        Owner owner;
        Dates::TimePoint at;
    };
    // The owners under one kind of key, and the keys in the order they were remembered with the
    // time of that; a key remembered again appears again, and only its newest entry counts.
    template <typename Key> struct Keys {
        std::unordered_map<Key, Kept> owners;
        std::deque<std::pair<Key, Dates::TimePoint>> order;
    };
    template <typename Key>
    void keep(Keys<Key>& keys, Key key, const Owner& owner, Dates::TimePoint now);
    template <typename Key> void expire(Keys<Key>& keys, Dates::TimePoint now);

    size_t capacity_;
    std::chrono::seconds lifetime_;
    // Cookies are integers: a look-up at every scan of every socket hashes nothing.
    Keys<uint64_t> cookies_;
    Keys<std::string> pairs_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

#include <sys/types.h>

#include "base/result.h"

// The recent answers of the DNS query log: address -> the name it was the answer for. Bounded in
// size and age; the newest answer for an address wins and counts as new again.
class NameMap {
  public:
    using Clock = std::chrono::steady_clock;

    NameMap(size_t capacity, std::chrono::seconds lifetime)
        : capacity_(capacity), lifetime_(lifetime) {}

    // Records that `address` was answered for `name` at `now`; the oldest entry goes when the
    // map is full. True when the map changed.
    bool add(const std::string& address, const std::string& name, Clock::time_point now);
    // Drops the entries older than the lifetime; true when any went.
    bool expire(Clock::time_point now);

    size_t size() const { return index_.size(); }
    // One "ADDRESS NAME" line per entry, newest first.
    std::string text() const;

  private:
    struct Entry {
        std::string address;
        std::string name;
        Clock::time_point added;
    };

    size_t capacity_;
    std::chrono::seconds lifetime_;
    // Newest at the front.
    std::list<Entry> entries_;
    std::unordered_map<std::string_view, std::list<Entry>::iterator> index_;
};

namespace NamesFile {

// Replaces `path` with `text` in one rename, as a file of `owner` (and root) only: mode 0600,
// owned by `owner`. Nothing is flushed to disk: the file lives under /run.
Result<void> publish(const std::string& path, std::string_view text, uid_t owner, gid_t group);

} // namespace NamesFile

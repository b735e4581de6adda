// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "bpf/connect_event.h"

// The executables' paths as the kernel side last walked them, for its records that leave the path
// out because an earlier one carried it. Bounded: past `most` entries the oldest-made goes, and a
// record whose path is not known here has the kernel side told to walk it again next time.
class ExePathCache {
  public:
    using Forget = std::function<void(const nv_exe_key&)>;

    ExePathCache(size_t most, Forget forget) : most_(most), forget_(std::move(forget)) {}

    // Remembers the path `record` carries, or puts the one remembered into a record that left
    // it out; a path unknown here leaves it without one (`path_bytes` 0).
    void complete(nv_connect_event& record);

  private:
    struct KeyHash {
        size_t operator()(const nv_exe_key& key) const;
    };
    struct KeyEqual {
        bool operator()(const nv_exe_key& a, const nv_exe_key& b) const;
    };
    struct Entry {
        std::string path;
        size_t made = 0;
    };

    void remember(const nv_connect_event& record);

    size_t most_;
    Forget forget_;
    size_t made_ = 0;
    std::unordered_map<nv_exe_key, Entry, KeyHash, KeyEqual> paths_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "exe_path_cache.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

size_t ExePathCache::KeyHash::operator()(const nv_exe_key& key) const {
    size_t hash = std::hash<uint64_t>()(key.ino);
    for (uint64_t part : {uint64_t{key.ctime_ns}, uint64_t{key.dev} << 32 | key.generation})
        hash = hash * 1099511628211u ^ std::hash<uint64_t>()(part);
    return hash;
}

bool ExePathCache::KeyEqual::operator()(const nv_exe_key& a, const nv_exe_key& b) const {
    return a.ino == b.ino && a.ctime_ns == b.ctime_ns && a.dev == b.dev &&
           a.generation == b.generation;
}

void ExePathCache::complete(nv_connect_event& record) {
    if (!record.path_sent) {
        if (record.path_bytes > 0 && record.path_bytes <= sizeof record.path) remember(record);
        return;
    }
    record.path_sent = 0;
    auto known = paths_.find(record.exe);
    if (known == paths_.end()) {
        record.path_bytes = 0;
        forget_(record.exe);
        return;
    }
    const std::string& path = known->second.path;
    std::memcpy(record.path, path.data(), path.size());
    record.path_bytes = static_cast<uint16_t>(path.size());
}

void ExePathCache::remember(const nv_connect_event& record) {
    if (paths_.size() >= most_ && !paths_.contains(record.exe)) {
        auto oldest = std::min_element(paths_.begin(), paths_.end(), [](auto& a, auto& b) {
            return a.second.made < b.second.made;
        });
        paths_.erase(oldest);
    }
    paths_[record.exe] = {std::string(record.path, record.path_bytes), ++made_};
}

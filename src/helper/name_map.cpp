// SPDX-License-Identifier: GPL-3.0-or-later
#include "name_map.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/owned_fd.h"

bool NameMap::add(const std::string& address, const std::string& name, Clock::time_point now) {
    if (capacity_ == 0) return false;
    if (auto found = index_.find(address); found != index_.end()) {
        // Moving the node keeps the key, which views the node's own address, valid.
        auto entry = found->second;
        entries_.splice(entries_.begin(), entries_, entry);
        entry->added = now;
        if (entry->name == name) return false;
        entry->name = name;
        return true;
    }
    entries_.push_front({address, name, now});
    index_[entries_.front().address] = entries_.begin();
    if (entries_.size() > capacity_) {
        index_.erase(entries_.back().address);
        entries_.pop_back();
    }
    return true;
}

bool NameMap::expire(Clock::time_point now) {
    bool changed = false;
    while (!entries_.empty() && now - entries_.back().added >= lifetime_) {
        index_.erase(entries_.back().address);
        entries_.pop_back();
        changed = true;
    }
    return changed;
}

std::string NameMap::text() const {
    std::string result;
    for (const Entry& entry : entries_)
        result.append(entry.address).append(" ").append(entry.name).append("\n");
    return result;
}

namespace NamesFile {

Result<void> publish(const std::string& path, std::string_view text, uid_t owner, gid_t group) {
    std::string temporary = path + ".new";
    unlink(temporary.c_str());
    OwnedFd file(
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file) return Error::fromErrno("cannot create " + temporary);
    // Mode and owner are set before the first byte goes in, so no one else ever reads it; the
    // mode first, since changing it after handing the file over would need CAP_FOWNER.
    Result<void> published;
    if (!(fchmod(file.get(), 0600) == 0 && fchown(file.get(), owner, group) == 0 &&
          AtomicFile::writeAll(file.get(), text)))
        published = Error::fromErrno("cannot write " + temporary);
    if (!file.close() && published) published = Error::fromErrno("cannot write " + temporary);
    if (published && rename(temporary.c_str(), path.c_str()) != 0)
        published = Error::fromErrno("cannot replace " + path);
    if (!published) unlink(temporary.c_str());
    return published;
}

} // namespace NamesFile

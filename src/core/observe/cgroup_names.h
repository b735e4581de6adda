// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// The cgroup (v2) groups processes run in, found by id under the hierarchy's mount, and what each
// stands for: a service of systemd's, a desktop application, or nothing in particular.
class CgroupNames {
  public:
    struct Group {
        enum class Kind { none, systemService, userService, application };
        Kind kind = Kind::none;
        // The unit ("cups.service") or the application's id ("org.gnome.Terminal").
        std::string name;

        bool operator==(const Group&) const = default;
    };

    // `mount`: where the cgroup v2 hierarchy is mounted; empty when there is none.
    explicit CgroupNames(std::string mount);

    // The group with id `id`, the inode number of its folder. An id not met before has the
    // hierarchy walked again, at most once between two calls of `allowWalk`.
    Group group(uint64_t id);
    void allowWalk() { mayWalk_ = true; }

    // What the group at `path` below the mount ("/system.slice/cups.service") stands for.
    static Group describe(std::string_view path);
    // The mount point of the cgroup v2 hierarchy in the text of /proc/self/mountinfo.
    static std::optional<std::string> findMount(std::string_view mountinfo);

  private:
    void walk();

    std::string mount_;
    std::unordered_map<uint64_t, std::string> paths_;
    bool mayWalk_ = true;
};

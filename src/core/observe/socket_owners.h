#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Which processes hold each socket, read from what the kernel itself writes: the links
// "socket:[INODE]" in /proc/<pid>/fd and the names in /proc/<pid>/comm. No program name takes
// part in the attribution, so none can pose as another process. Processes whose descriptors
// cannot be read (another user's, without privileges) are simply not found.
class SocketOwners {
  public:
    struct Owner {
        int32_t pid = -1;
        std::string name;

        bool operator==(const Owner&) const = default;
    };

    // The owners of the sockets in `inodes` among the processes under `procRoot`.
    static SocketOwners read(const std::unordered_set<uint64_t>& inodes,
                             const std::string& procRoot = "/proc");
    // The owners of every socket among the processes under `procRoot`: this needs no list of
    // inodes, so it can run while the sockets are being listed.
    static SocketOwners readAll(const std::string& procRoot = "/proc");

    // The processes holding socket `inode`, by ascending pid; empty when none was found.
    const std::vector<Owner>& of(uint64_t inode) const;

    // The inode of a descriptor link "socket:[INODE]"; absent for any other link.
    static std::optional<uint64_t> socketInode(std::string_view link);

  private:
    // Every socket when `inodes` is null.
    static SocketOwners walk(const std::unordered_set<uint64_t>* inodes,
                             const std::string& procRoot);

    std::unordered_map<uint64_t, std::vector<Owner>> owners_;
};

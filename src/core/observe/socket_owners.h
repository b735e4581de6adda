// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/owned_fd.h"

// Which processes hold each socket, read from what the kernel itself writes: the links
// "socket:[INODE]" in /proc/<pid>/fd and the names in /proc/<pid>/comm. No program name takes
// part in the attribution, so none can pose as another process. Processes whose descriptors
// cannot be read (another user's, without privileges) are simply not found.
//
// Kept from one scan to the next: a holder found once is checked again with one readlink of its
// descriptor and used only while that descriptor still names the socket. The processes are walked
// only while some socket's holder is unknown, those that held sockets at the last update first,
// and only until every one is found; a socket that a whole walk did not find is not looked for
// again while it stays listed. A socket shared by several processes has the holders the walk met
// before it had found every socket.
class SocketOwners {
  public:
    struct Owner {
        int32_t pid = -1;
        std::string name;

        bool operator==(const Owner&) const = default;
    };

    // What the last update read: descriptors of known holders, and processes walked.
    struct Work {
        size_t checked = 0;
        size_t walked = 0;

        bool operator==(const Work&) const = default;
    };

    explicit SocketOwners(std::string procRoot = "/proc");

    // Finds the holders of the sockets in `inodes` among the processes under the root, and
    // forgets every other socket.
    void update(const std::unordered_set<uint64_t>& inodes);
    // The processes holding socket `inode` at the last update, by ascending pid; empty when none
    // was found.
    const std::vector<Owner>& of(uint64_t inode) const;
    const Work& work() const { return work_; }

    // The inode of a descriptor link "socket:[INODE]"; absent for any other link.
    static std::optional<uint64_t> socketInode(std::string_view link);

  private:
    // One descriptor of one process naming a socket.
    struct Holder {
        int32_t pid = -1;
        std::string fd;
    };
    using Holders = std::unordered_map<uint64_t, std::vector<Holder>>;

    // The cached holders of `inode` whose descriptor still names it.
    std::vector<Holder> stillHeld(int procDir, uint64_t inode);
    // The socket that descriptor `fd` of process `pid` names, read in its kept descriptor folder.
    std::optional<uint64_t> linkOf(int procDir, int32_t pid, const std::string& fd);
    // Closes the descriptor folders of the processes that hold none of `held`.
    void forgetFoldersBut(const Holders& held);
    // Walks the processes, those of `known` first, until every socket of `wanted` is found,
    // adding their holders to `found` and taking them out of `wanted`.
    void walk(int procDir, const std::set<int32_t>& known, std::unordered_set<uint64_t>& wanted,
              Holders& found);
    // Turns the holders into owners named by each process's comm, read once per process.
    void name(int procDir);

    std::string procRoot_;
    Holders holders_;
    // The descriptor folder /proc/<pid>/fd of each holder, kept open between updates (for at
    // most `keptFolders` processes): a check then looks up one name instead of three, and a
    // process that ended is never taken for a later one given its pid.
    std::unordered_map<int32_t, OwnedFd> folders_;
    std::unordered_set<uint64_t> unfound_;
    std::unordered_map<uint64_t, std::vector<Owner>> owners_;
    Work work_;
};

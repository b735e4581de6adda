#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
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
class SocketOwners {
  public:
    struct Owner {
        int32_t pid = -1;
        std::string name;

        bool operator==(const Owner&) const = default;
    };

    // One reading of every process's descriptors, in two steps so that other threads can share
    // the longer second one: list() reads the descriptor folders, then each thread calling
    // share() reads descriptors until none are left.
    class Walk {
      public:
        explicit Walk(std::string procRoot = "/proc");
        ~Walk();
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

        // Finds every process's descriptors. Threads waiting in share() go on when it returns,
        // also by an exception.
        void list();
        // Reads descriptors until none are left; any number of threads at once. Waits for list().
        void share();
        // The owners found, once list() and every share() have returned; of the sockets in
        // `only` when given.
        SocketOwners owners(const std::unordered_set<uint64_t>* only = nullptr);

      private:
        // A process whose descriptors the threads share: its folder of descriptors stays open.
        struct SharedProcess {
            uint32_t process;
            OwnedFd fdDir;
        };
        struct Descriptor {
            uint32_t shared;
            int32_t fd;
        };
        struct Found {
            uint64_t inode;
            uint32_t process;
        };

        void listProcess(int32_t pid, const std::string& pidText);
        void markListed();
        void read(const Descriptor& descriptor, std::vector<Found>& found);

        std::string procRoot_;
        OwnedFd procDir_;
        std::vector<int32_t> pids_;
        std::vector<SharedProcess> shared_;
        std::vector<Descriptor> descriptors_;
        // Set for a shared process whose descriptors may be listed but not read: the rest are
        // skipped.
        std::unique_ptr<std::atomic<bool>[]> closed_;
        std::atomic<size_t> next_{0};
        std::mutex mutex_;
        std::condition_variable listedChanged_;
        bool listed_ = false;
        std::vector<Found> found_;
    };

    // The owners of the sockets in `inodes` among the processes under `procRoot`.
    static SocketOwners read(const std::unordered_set<uint64_t>& inodes,
                             const std::string& procRoot = "/proc");

    // The processes holding socket `inode`, by ascending pid; empty when none was found.
    const std::vector<Owner>& of(uint64_t inode) const;

    // The inode of a descriptor link "socket:[INODE]"; absent for any other link.
    static std::optional<uint64_t> socketInode(std::string_view link);

  private:
    std::unordered_map<uint64_t, std::vector<Owner>> owners_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

#include "base/result.h"
#include "bpf/connect_event.h"
#include "exe_path_cache.h"
#include "program_rules.h"

struct connect_hooks;
struct bpf_link;
struct bpf_program;
struct ring_buffer;

// The kernel side of the event service: the built-in BPF object, its four programs attached to
// the root of the cgroup v2 hierarchy through BPF links, and the ring buffer they fill.
//
// Links pinned in a folder of a BPF file system outlive the process: the programs then keep
// refusing what the rules in their maps block while the service is stopped, killed or starting
// again, and only removing the pins (uninstalling) detaches them. The next start loads its own
// object, fills its maps with the rules and then gives each pinned link its new program in
// place, so no rule lapses in between. Links that could not be pinned go with the process.
class ConnectHooks {
  public:
    // Whether the kernel lets the programs read the calling task through its type information,
    // with plain loads rather than a helper call per read.
    static bool typedTaskReads();
    // Loads the built-in object, reading the task the way given; nothing is attached yet.
    static Result<std::unique_ptr<ConnectHooks>> load(bool typedReads = typedTaskReads());
    // Attaches the programs to the hierarchy mounted at `cgroupRoot`, through the links pinned in
    // `pinDir` when there are, else through new ones pinned there (none when empty).
    Result<void> attach(const std::string& cgroupRoot, const std::string& pinDir);
    // Why the links are not pinned, when `attach` was given a folder and could not pin them.
    const std::string& pinProblem() const { return pinProblem_; }
    ~ConnectHooks();
    ConnectHooks(const ConnectHooks&) = delete;
    ConnectHooks& operator=(const ConnectHooks&) = delete;

    // Readable when the kernel side has woken the reader: its buffer is filling up.
    int wakeFd() const;
    // Hands every record waiting in the ring buffer to `take`, oldest first; how many.
    size_t read(const std::function<void(const nv_connect_event&)>& take);
    // The records the kernel side had no room for, since the object was loaded.
    uint64_t dropped() const;
    // The programs' runs and the time spent in them, counted while the kernel keeps statistics
    // (kernel.bpf_stats_enabled).
    struct RunTime {
        uint64_t runs = 0;
        uint64_t nanoseconds = 0;
    };
    RunTime runTime() const;
    // Puts exactly `tables` in the kernel side's maps of program rules: new and changed entries
    // first, then those no longer wanted go, so no rule lapses in between.
    Result<void> setRules(const ProgramRules::Tables& tables);
    // Whether the programs mark the sockets of `user`'s connections to be asked about, so that
    // their first packets wait in the service's queue; only while an application listens.
    Result<void> setHolding(bool asking, uid_t user);

  private:
    ConnectHooks() = default;
    // The link of `program` pinned at `pin`, given `program`; null when there is none or it
    // cannot take it.
    static bpf_link* takeOver(bpf_program* program, const std::string& pin);
    // Hands the record of `size` bytes at `data` on, its path filled in when it left it out.
    void deliver(const void* data, size_t size);

    connect_hooks* skeleton_ = nullptr;
    std::vector<bpf_link*> links_;
    std::string pinProblem_;
    ring_buffer* ring_ = nullptr;
    int droppedMap_ = -1;
    int programMap_ = -1;
    int addressMap_ = -1;
    int countMap_ = -1;
    int destinationMap_ = -1;
    int holdMap_ = -1;
    const std::function<void(const nv_connect_event&)>* take_ = nullptr;
    std::unique_ptr<ExePathCache> paths_;
    nv_connect_event record_{};
};

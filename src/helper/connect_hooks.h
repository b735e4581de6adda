#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "bpf/connect_event.h"
#include "program_rules.h"

struct bpf_object;
struct bpf_link;
struct ring_buffer;

// The kernel side of the event service: the built-in BPF object, its four programs attached to
// the root of the cgroup v2 hierarchy through BPF links, and the ring buffer they fill. Ending it,
// or the process ending, detaches them all: nothing is left in the connection path.
class ConnectHooks {
  public:
    // Loads the built-in object and attaches its programs to the hierarchy mounted at `cgroupRoot`.
    static Result<std::unique_ptr<ConnectHooks>> attach(const std::string& cgroupRoot);
    ~ConnectHooks();
    ConnectHooks(const ConnectHooks&) = delete;
    ConnectHooks& operator=(const ConnectHooks&) = delete;

    // Readable when the kernel side has woken the reader: its buffer is filling up.
    int wakeFd() const;
    // Hands every record waiting in the ring buffer to `take`, oldest first; how many.
    size_t read(const std::function<void(const nv_connect_event&)>& take);
    // The records the kernel side had no room for, since the object was loaded.
    uint64_t dropped() const;
    // Puts exactly `tables` in the kernel side's maps of program rules: new and changed entries
    // first, then those no longer wanted go, so no rule lapses in between.
    Result<void> setRules(const ProgramRules::Tables& tables);

  private:
    ConnectHooks() = default;

    bpf_object* object_ = nullptr;
    std::vector<bpf_link*> links_;
    ring_buffer* ring_ = nullptr;
    int droppedMap_ = -1;
    int programMap_ = -1;
    int addressMap_ = -1;
    int countMap_ = -1;
    const std::function<void(const nv_connect_event&)>* take_ = nullptr;
};

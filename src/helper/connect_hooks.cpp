// SPDX-License-Identifier: GPL-3.0-or-later
#include "connect_hooks.h"

#include <array>
#include <bpf/bpf.h>
#include <bpf/libbpf.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/owned_fd.h"
#include "connect_hooks.skel.h"

namespace {

// The programs attached to the hierarchy; their names name their pinned links.
std::array<bpf_program*, 4> programsOf(const connect_hooks& skeleton) {
    return {skeleton.progs.connect4, skeleton.progs.connect6, skeleton.progs.sendmsg4,
            skeleton.progs.sendmsg6};
}

// Paths kept for the kernel side's records that leave them out: as many as it remembers.
constexpr size_t exePathsKept = 8192;

// libbpf's own reports go to standard error, which systemd keeps; its debug chatter does not.
int report(libbpf_print_level level, const char* format, va_list arguments) {
    if (level == LIBBPF_DEBUG) return 0;
    return std::vfprintf(stderr, format, arguments);
}

Error failure(const std::string& what, int code) {
    return Error{code, what + ": " + std::strerror(code)};
}

} // namespace

bool ConnectHooks::typedTaskReads() {
    // Older kernels allow it only in tracing programs.
    return libbpf_probe_bpf_helper(BPF_PROG_TYPE_CGROUP_SOCK_ADDR, BPF_FUNC_get_current_task_btf,
                                   nullptr) == 1;
}

Result<std::unique_ptr<ConnectHooks>> ConnectHooks::load(bool typedReads) {
    libbpf_set_print(report);
    std::unique_ptr<ConnectHooks> hooks(new ConnectHooks);
    bpf_object_open_opts options{};
    options.sz = sizeof options;
    options.object_name = "connect_hooks";
    connect_hooks* skeleton = hooks->skeleton_ = connect_hooks__open_opts(&options);
    if (!skeleton) return failure("cannot open the built-in BPF object", errno);
    skeleton->rodata->task_btf = typedReads;
    if (int error = connect_hooks__load(skeleton))
        return failure("the kernel refused the BPF programs", -error);
    int paths = -1, events = -1;
    const std::pair<const bpf_map*, int*> maps[] = {
        {skeleton->maps.dropped, &hooks->droppedMap_},
        {skeleton->maps.program_rules, &hooks->programMap_},
        {skeleton->maps.program_address_rules, &hooks->addressMap_},
        {skeleton->maps.rule_count, &hooks->countMap_},
        {skeleton->maps.address_rules, &hooks->destinationMap_},
        {skeleton->maps.hold_state, &hooks->holdMap_},
        {skeleton->maps.exe_paths, &paths},
        {skeleton->maps.events, &events}};
    for (const auto& [map, fd] : maps)
        if ((*fd = bpf_map__fd(map)) < 0)
            return failure(std::string("the BPF map ") + bpf_map__name(map) + " has no descriptor",
                           -*fd);
    hooks->paths_ = std::make_unique<ExePathCache>(
        exePathsKept, [paths](const nv_exe_key& key) { bpf_map_delete_elem(paths, &key); });
    auto deliver = [](void* context, void* data, size_t size) {
        auto* self = static_cast<ConnectHooks*>(context);
        if (size >= NV_RECORD_HEAD && size <= sizeof(nv_connect_event) && self->take_)
            self->deliver(data, size);
        return 0;
    };
    hooks->ring_ = ring_buffer__new(events, deliver, hooks.get(), nullptr);
    if (!hooks->ring_) return failure("cannot read the events' ring buffer", errno);
    return hooks;
}

bpf_link* ConnectHooks::takeOver(bpf_program* program, const std::string& pin) {
    // Asked only when there is one: libbpf reports each failed open.
    if (access(pin.c_str(), F_OK) != 0) return nullptr;
    bpf_link* link = bpf_link__open(pin.c_str());
    if (!link) return nullptr;
    if (bpf_link__update_program(link, program) == 0) return link;
    // Not a link this program can take (another kind of hook): it goes, a new one is made.
    bpf_link__destroy(link);
    unlink(pin.c_str());
    return nullptr;
}

Result<void> ConnectHooks::attach(const std::string& cgroupRoot, const std::string& pinDir) {
    OwnedFd cgroup(open(cgroupRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!cgroup) return Error::fromErrno("cannot open the cgroup hierarchy at " + cgroupRoot);
    bool pinning = !pinDir.empty();
    if (pinning && mkdir(pinDir.c_str(), 0700) != 0 && errno != EEXIST) {
        pinProblem_ = Error::fromErrno("cannot make " + pinDir).message;
        pinning = false;
    }
    for (bpf_program* program : programsOf(*skeleton_)) {
        const char* name = bpf_program__name(program);
        const std::string pin = pinDir + "/" + name;
        bpf_link* link = pinning ? takeOver(program, pin) : nullptr;
        if (!link) link = bpf_program__attach_cgroup(program, cgroup.get());
        if (!link)
            return failure(std::string("cannot attach ") + name + " at " + cgroupRoot, errno);
        links_.push_back(link);
        if (pinning && !bpf_link__pin_path(link))
            if (int error = bpf_link__pin(link, pin.c_str())) {
                pinProblem_ = failure("cannot pin the hooks in " + pinDir, -error).message;
                pinning = false;
            }
    }
    return {};
}

ConnectHooks::~ConnectHooks() {
    if (ring_) ring_buffer__free(ring_);
    // Closing a pinned link lets go of this process's hold only: its pin keeps it attached.
    for (bpf_link* link : links_)
        bpf_link__destroy(link);
    connect_hooks__destroy(skeleton_);
}

int ConnectHooks::wakeFd() const {
    return ring_buffer__epoll_fd(ring_);
}

void ConnectHooks::deliver(const void* data, size_t size) {
    // A record ends after its path: the rest of the copy is left from earlier ones.
    std::memcpy(&record_, data, size);
    if (record_.path_bytes > size - NV_RECORD_HEAD) record_.path_bytes = 0;
    paths_->complete(record_);
    (*take_)(record_);
}

ConnectHooks::RunTime ConnectHooks::runTime() const {
    RunTime total;
    for (const bpf_program* program : programsOf(*skeleton_)) {
        bpf_prog_info info{};
        uint32_t length = sizeof info;
        if (bpf_obj_get_info_by_fd(bpf_program__fd(program), &info, &length) == 0) {
            total.runs += info.run_cnt;
            total.nanoseconds += info.run_time_ns;
        }
    }
    return total;
}

size_t ConnectHooks::read(const std::function<void(const nv_connect_event&)>& take) {
    take_ = &take;
    int count = ring_buffer__consume(ring_);
    take_ = nullptr;
    return count > 0 ? static_cast<size_t>(count) : 0;
}

namespace {

nv_program_key keyOf(const ProgramRules::Program& program) {
    return {program.inode, program.device, 0};
}

nv_program_address_key keyOf(const std::pair<ProgramRules::Program, ProgramRules::Address>& entry) {
    nv_program_address_key key{entry.first.inode, entry.first.device, entry.second.family, {}};
    std::memcpy(key.addr, entry.second.bytes.data(), sizeof key.addr);
    return key;
}

nv_address_key keyOf(const ProgramRules::Address& address) {
    nv_address_key key{address.family, {}};
    std::memcpy(key.addr, address.bytes.data(), sizeof key.addr);
    return key;
}

// Makes map `fd` hold exactly `entries`: writes them all, then deletes every other key.
template <typename Key, typename Entries> Result<void> syncMap(int fd, const Entries& entries) {
    auto bytes = [](const Key& key) {
        return std::string(reinterpret_cast<const char*>(&key), sizeof key);
    };
    std::set<std::string> wanted;
    for (const auto& [entry, rule] : entries) {
        Key key = keyOf(entry);
        uint8_t value = rule;
        if (bpf_map_update_elem(fd, &key, &value, BPF_ANY) != 0)
            return failure("cannot put a program rule in the kernel", errno);
        wanted.insert(bytes(key));
    }
    std::vector<Key> stale;
    Key key{}, next{};
    for (void* previous = nullptr; bpf_map_get_next_key(fd, previous, &next) == 0;
         previous = &key) {
        if (!wanted.contains(bytes(next))) stale.push_back(next);
        key = next;
    }
    for (const Key& old : stale)
        bpf_map_delete_elem(fd, &old);
    return {};
}

} // namespace

Result<void> ConnectHooks::setRules(const ProgramRules::Tables& tables) {
    uint32_t zero = 0;
    uint64_t count = tables.programs.size() + tables.addresses.size() + tables.destinations.size();
    // The count only tells whether there are rules: set before the entries when there will be
    // some, after them when there will be none, so that it never hides one.
    if (count > 0) bpf_map_update_elem(countMap_, &zero, &count, BPF_ANY);
    if (Result<void> done = syncMap<nv_program_key>(programMap_, tables.programs); !done)
        return done;
    if (Result<void> done = syncMap<nv_program_address_key>(addressMap_, tables.addresses); !done)
        return done;
    if (Result<void> done = syncMap<nv_address_key>(destinationMap_, tables.destinations); !done)
        return done;
    if (count == 0) bpf_map_update_elem(countMap_, &zero, &count, BPF_ANY);
    return {};
}

uint64_t ConnectHooks::dropped() const {
    int cpus = libbpf_num_possible_cpus();
    if (cpus <= 0 || droppedMap_ < 0) return 0;
    std::vector<uint64_t> counts(static_cast<size_t>(cpus));
    uint32_t zero = 0;
    if (bpf_map_lookup_elem(droppedMap_, &zero, counts.data()) != 0) return 0;
    uint64_t total = 0;
    for (uint64_t count : counts)
        total += count;
    return total;
}

Result<void> ConnectHooks::setHolding(bool asking, uid_t user) {
    uint32_t zero = 0;
    nv_hold_state state{asking ? 1u : 0u, static_cast<uint32_t>(user)};
    if (bpf_map_update_elem(holdMap_, &zero, &state, BPF_ANY) != 0)
        return failure("cannot tell the kernel side whether to hold connections", errno);
    return {};
}

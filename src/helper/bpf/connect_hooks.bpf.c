// SPDX-License-Identifier: GPL-2.0-only OR BSD-2-Clause
/* Reports every connect() and every first sendmsg() to a new destination, from the calling
 * process, at the root of the cgroup v2 hierarchy: who (pid, uid, cgroup, command name, the
 * executable's identity and path), which socket (its cookie) and where to. Nothing waits on the
 * reader: a full ring buffer drops the record and counts it. Programs the user blocked get EPERM
 * from connect() and sendmsg() at once, decided from the maps the service fills. A connection the
 * user is to be asked about gets its socket marked, while an application listens for questions:
 * a netfilter rule sends its first packet to the service's queue, where it waits for the answer.
 *
 * Every connect() on the machine pays for this, so the common case is kept short: the path is
 * walked only for an executable not seen in the last PATH_FRESH_NS (its records after that carry
 * none, the reader remembers it), and the reader is woken only when unread data crosses
 * WAKE_BYTES; below that it reads on its own schedule. */
#include <linux/bpf.h>
#include <linux/in.h>
#include <linux/types.h>
// libbpf's headers use the kernel's types, so they come after them.
#include <bpf/bpf_core_read.h>
#include <bpf/bpf_endian.h>
#include <bpf/bpf_helpers.h>

#include "connect_event.h"

#define AF_INET 2
#define AF_INET6 10
#define SOL_SOCKET 1
#define SO_MARK 36
/* Lookups are never held: the machine's resolver is asked on this port. */
#define DNS_PORT 53
/* Components of the executable's path walked at most, mount points included. */
#define PATH_DEPTH 40
/* Past this much unread data the reader is woken; below it, it reads on its own schedule. */
#define WAKE_BYTES (256 * 1024)
/* How long a path walked is trusted. A file renamed or replaced is another key at once; a folder
 * above it renamed shows under its old path for at most this long. */
#define PATH_FRESH_NS (60ULL * 1000 * 1000 * 1000)

/* Set before loading when the kernel lets this kind of program read the current task through its
 * type information: plain loads then replace the helper call of each read. */
const volatile __u32 task_btf = 0;

char LICENSE[] SEC("license") = "Dual BSD/GPL";

/* The few kernel structures the path walk reads. libbpf relocates each field against the
 * running kernel's own type information, so no kernel headers are needed at build time. */
struct qstr {
    const unsigned char* name;
} __attribute__((preserve_access_index));

struct dentry {
    struct dentry* d_parent;
    struct qstr d_name;
} __attribute__((preserve_access_index));

struct vfsmount {
    struct dentry* mnt_root;
} __attribute__((preserve_access_index));

struct mount {
    struct mount* mnt_parent;
    struct dentry* mnt_mountpoint;
    struct vfsmount mnt;
} __attribute__((preserve_access_index));

struct path {
    struct vfsmount* mnt;
    struct dentry* dentry;
} __attribute__((preserve_access_index));

struct super_block {
    __u32 s_dev;
} __attribute__((preserve_access_index));

struct inode {
    unsigned long i_ino;
    __u32 i_generation;
    struct super_block* i_sb;
} __attribute__((preserve_access_index));

/* The inode's change time, as kernels keep it since 6.11, from 6.6 to 6.10 and before 6.6. */
struct inode___split {
    __s64 i_ctime_sec;
    __u32 i_ctime_nsec;
} __attribute__((preserve_access_index));

struct timespec64 {
    __s64 tv_sec;
    long tv_nsec;
} __attribute__((preserve_access_index));

struct inode___hidden {
    struct timespec64 __i_ctime;
} __attribute__((preserve_access_index));

struct inode___whole {
    struct timespec64 i_ctime;
} __attribute__((preserve_access_index));

struct file {
    struct path f_path;
    struct inode* f_inode;
} __attribute__((preserve_access_index));

struct mm_struct {
    struct file* exe_file;
} __attribute__((preserve_access_index));

struct task_struct {
    struct mm_struct* mm;
} __attribute__((preserve_access_index));

struct {
    __uint(type, BPF_MAP_TYPE_RINGBUF);
    __uint(max_entries, 1 << 21);
} events SEC(".maps");

/* Records the ring buffer had no room for. */
struct {
    __uint(type, BPF_MAP_TYPE_PERCPU_ARRAY);
    __uint(max_entries, 1);
    __type(key, __u32);
    __type(value, __u64);
} dropped SEC(".maps");

/* The destinations each unconnected socket has sent to already: only the first sendmsg() to a
 * destination is reported. */
struct destination {
    __u64 cookie;
    __u8 addr[16];
    __u32 port;
};

struct {
    __uint(type, BPF_MAP_TYPE_LRU_HASH);
    __uint(max_entries, 16384);
    __type(key, struct destination);
    __type(value, __u8);
} sent SEC(".maps");

/* When the path of each executable recently seen was walked. An entry is made only once the record
 * with the path is in the ring buffer, so the reader has it before any record that leaves it out.
 */
struct {
    __uint(type, BPF_MAP_TYPE_LRU_HASH);
    __uint(max_entries, 8192);
    __type(key, struct nv_exe_key);
    __type(value, __u64);
} exe_paths SEC(".maps");

/* The rules for single programs: for all a program reaches, and for it and one address. */
struct {
    __uint(type, BPF_MAP_TYPE_HASH);
    __uint(max_entries, 16384);
    __type(key, struct nv_program_key);
    __type(value, __u8);
} program_rules SEC(".maps");

struct {
    __uint(type, BPF_MAP_TYPE_HASH);
    __uint(max_entries, 65536);
    __type(key, struct nv_program_address_key);
    __type(value, __u8);
} program_address_rules SEC(".maps");

/* Destinations to ask about whatever the program. */
struct {
    __uint(type, BPF_MAP_TYPE_HASH);
    __uint(max_entries, 65536);
    __type(key, struct nv_address_key);
    __type(value, __u8);
} address_rules SEC(".maps");

struct {
    __uint(type, BPF_MAP_TYPE_ARRAY);
    __uint(max_entries, 1);
    __type(key, __u32);
    __type(value, struct nv_hold_state);
} hold_state SEC(".maps");

/* How many rules the three maps hold; with none, a connection costs no lookup. */
struct {
    __uint(type, BPF_MAP_TYPE_ARRAY);
    __uint(max_entries, 1);
    __type(key, __u32);
    __type(value, __u64);
} rule_count SEC(".maps");

/* The record being put together on this CPU; each is sent to the ring buffer whole. */
struct {
    __uint(type, BPF_MAP_TYPE_PERCPU_ARRAY);
    __uint(max_entries, 1);
    __type(key, __u32);
    __type(value, struct nv_connect_event);
} scratch SEC(".maps");

static __always_inline struct nv_connect_event* current_event(void) {
    __u32 zero = 0;
    return bpf_map_lookup_elem(&scratch, &zero);
}

static __always_inline struct mount* real_mount(struct vfsmount* mnt) {
    return (struct mount*)((char*)mnt - bpf_core_field_offset(struct mount, mnt));
}

/* Where the walk up the executable's path stands between two steps. */
struct walk {
    struct dentry* dentry;
    struct mount* mnt;
    __u32 used;
    /* 1 once the root is reached, -1 when the walk failed. */
    int end;
};

/* One step up the path: past a mount point, or one component written to the current record.
 * Returns 1 to stop. */
static long walk_step(__u32 index, void* context) {
    struct walk* walk = context;
    struct nv_connect_event* event = current_event();
    if (!event) goto failed;
    /* Read into locals: a field of `walk` itself is no kernel structure to relocate. */
    struct dentry* dentry = walk->dentry;
    struct mount* mnt = walk->mnt;
    struct dentry* root = BPF_CORE_READ(mnt, mnt.mnt_root);
    struct dentry* parent = BPF_CORE_READ(dentry, d_parent);
    if (dentry == root || dentry == parent) {
        struct mount* above = BPF_CORE_READ(mnt, mnt_parent);
        /* A dentry cut off from its mount. */
        if (dentry != root) goto failed;
        if (above == mnt) {
            walk->end = 1;
            return 1;
        }
        walk->dentry = BPF_CORE_READ(mnt, mnt_mountpoint);
        walk->mnt = above;
        return 0;
    }
    __u32 used = walk->used;
    if (used >= NV_PATH_BYTES) goto failed;
    long length = bpf_probe_read_kernel_str(&event->path[used & (NV_PATH_BYTES - 1)], NV_NAME_BYTES,
                                            BPF_CORE_READ(dentry, d_name.name));
    if (length <= 0) goto failed;
    walk->used = used + length;
    walk->dentry = parent;
    return 0;
failed:
    walk->end = -1;
    return 1;
}

/* Writes the components of the path of `exe` into the current record, leaf first, each ending
 * in NUL; returns the bytes written, or 0 when the walk did not reach the root. */
static __always_inline __u16 exe_path(struct file* exe) {
    struct walk walk = {
        .dentry = BPF_CORE_READ(exe, f_path.dentry),
        .mnt = real_mount(BPF_CORE_READ(exe, f_path.mnt)),
    };
    bpf_loop(PATH_DEPTH, walk_step, &walk, 0);
    return walk.end == 1 ? walk.used : 0;
}

/* Plain loads through the task's type information, or one helper call per read. */
#define LOAD(pointer, field) ((pointer)->field)
#define READ(pointer, field) BPF_CORE_READ(pointer, field)

/* The executable of the calling process; NULL for a kernel thread. */
#define CURRENT_EXE(task, GET)                                                                     \
    ({                                                                                             \
        struct mm_struct* mm = GET(task, mm);                                                      \
        mm ? GET(mm, exe_file) : (struct file*)0;                                                  \
    })

static __always_inline struct file* current_exe(void) {
    if (task_btf) return CURRENT_EXE(bpf_get_current_task_btf(), LOAD);
    return CURRENT_EXE((struct task_struct*)bpf_get_current_task(), READ);
}

#define CTIME_NS(inode, GET)                                                                       \
    ({                                                                                             \
        __u64 ns = 0;                                                                              \
        if (bpf_core_field_exists(struct inode___split, i_ctime_sec))                              \
            ns = GET((struct inode___split*)inode, i_ctime_sec) * 1000000000ULL +                  \
                 GET((struct inode___split*)inode, i_ctime_nsec);                                  \
        else if (bpf_core_field_exists(struct inode___hidden, __i_ctime))                          \
            ns = GET((struct inode___hidden*)inode, __i_ctime.tv_sec) * 1000000000ULL +            \
                 GET((struct inode___hidden*)inode, __i_ctime.tv_nsec);                            \
        else                                                                                       \
            ns = GET((struct inode___whole*)inode, i_ctime.tv_sec) * 1000000000ULL +               \
                 GET((struct inode___whole*)inode, i_ctime.tv_nsec);                               \
        ns;                                                                                        \
    })

#define EXE_KEY(exe, key, GET)                                                                     \
    do {                                                                                           \
        struct inode* inode = GET(exe, f_inode);                                                   \
        struct super_block* sb = GET(inode, i_sb);                                                 \
        (key)->ino = GET(inode, i_ino);                                                            \
        (key)->dev = GET(sb, s_dev);                                                               \
        (key)->generation = GET(inode, i_generation);                                              \
        (key)->ctime_ns = CTIME_NS(inode, GET);                                                    \
    } while (0)

/* The identity of `exe`, all zero for none. */
static __always_inline void identify(struct file* exe, struct nv_exe_key* key) {
    if (!exe) return;
    if (task_btf)
        EXE_KEY(exe, key, LOAD);
    else
        EXE_KEY(exe, key, READ);
}

static __always_inline void describe_process(struct nv_connect_event* event) {
    __u64 pid_tgid = bpf_get_current_pid_tgid();
    event->pid = pid_tgid >> 32;
    event->uid = (__u32)bpf_get_current_uid_gid();
    event->cgroup_id = bpf_get_current_cgroup_id();
    bpf_get_current_comm(event->comm, sizeof event->comm);
}

/* The user's rule for the program `exe` and the address `addr`: its rule for the address, else
 * its rule for everything, else the rule for the address whatever the program; 0 for none. */
static __always_inline __u8 rule_for(const struct nv_exe_key* exe, int family, const __u8* addr) {
    __u32 zero = 0;
    __u64* count = bpf_map_lookup_elem(&rule_count, &zero);
    if (!count || *count == 0) return 0;
    __u8* rule = 0;
    if (exe->ino != 0) {
        struct nv_program_address_key key = {.ino = exe->ino, .dev = exe->dev, .family = family};
        __builtin_memcpy(key.addr, addr, sizeof key.addr);
        rule = bpf_map_lookup_elem(&program_address_rules, &key);
        struct nv_program_key program = {.ino = key.ino, .dev = key.dev};
        if (!rule) rule = bpf_map_lookup_elem(&program_rules, &program);
    }
    if (!rule) {
        struct nv_address_key key = {.family = family};
        __builtin_memcpy(key.addr, addr, sizeof key.addr);
        rule = bpf_map_lookup_elem(&address_rules, &key);
    }
    return rule ? *rule : 0;
}

static __always_inline int loopback(int family, const __u8* addr) {
    if (family == AF_INET) return addr[0] == 127;
    __u64 high;
    __u32 word2, word3;
    __builtin_memcpy(&high, addr, 8);
    __builtin_memcpy(&word2, addr + 8, 4);
    __builtin_memcpy(&word3, addr + 12, 4);
    if (high != 0) return 0;
    /* ::1, and 127.0.0.0/8 mapped into IPv6. */
    return (word2 == 0 && word3 == bpf_htonl(1)) || (word2 == bpf_htonl(0xffff) && addr[12] == 127);
}

/* Whether a connection under rule `rule` is to wait for the user's answer: only the listening
 * application's user's, never to loopback or to a resolver. */
static __always_inline int to_hold(__u8 rule, int family, const __u8* addr, __u16 port) {
    if (rule != NV_RULE_ASK || port == DNS_PORT || loopback(family, addr)) return 0;
    __u32 zero = 0;
    struct nv_hold_state* state = bpf_map_lookup_elem(&hold_state, &zero);
    return state && state->asking && state->uid == (__u32)bpf_get_current_uid_gid();
}

/* Marks the socket to be held, or clears a mark of ours from it when it is not; a mark someone
 * else set (a VPN, policy routing) is left alone, and the socket then is not held. Whether it is
 * held. */
static __always_inline int mark(struct bpf_sock_addr* ctx, __u64 cookie, int hold) {
    struct bpf_sock* sk = ctx->sk;
    if (!sk) return 0;
    __u32 current = sk->mark;
    int ours = (current & NV_HOLD_MASK) == NV_HOLD_TAG;
    if (current != 0 && !ours) return 0;
    __u32 wanted = hold ? NV_HOLD_TAG | ((__u32)cookie & NV_HOLD_SLOT) : 0;
    if (wanted != current && bpf_setsockopt(ctx, SOL_SOCKET, SO_MARK, &wanted, sizeof wanted) != 0)
        return 0;
    return hold;
}

static __always_inline void count_drop(void) {
    __u32 zero = 0;
    __u64* count = bpf_map_lookup_elem(&dropped, &zero);
    if (count) *count += 1;
}

/* The destination of `ctx` in `addr` (network order) and its port in host order. A program of
 * one family may read only that family's address, so `family` is fixed when it is compiled. */
static __always_inline __u16 destination(struct bpf_sock_addr* ctx, int family, __u8* addr) {
    if (family == AF_INET) {
        __u32 ip4 = ctx->user_ip4;
        __builtin_memcpy(addr, &ip4, 4);
    } else {
        __u32 ip6[4] = {ctx->user_ip6[0], ctx->user_ip6[1], ctx->user_ip6[2], ctx->user_ip6[3]};
        __builtin_memcpy(addr, ip6, 16);
    }
    return bpf_ntohs((__u16)ctx->user_port);
}

/* Decides, and reports the connection when it is new: every connect(), and each unconnected
 * socket's first sendmsg() to a destination. 1 lets the call go on, 0 makes it fail with EPERM. */
static __always_inline int report(struct bpf_sock_addr* ctx, int family, enum nv_hook hook) {
    __u64 cookie = bpf_get_socket_cookie(ctx);
    struct destination key = {.cookie = cookie};
    key.port = destination(ctx, family, key.addr);
    struct file* exe = current_exe();
    struct nv_exe_key identity = {};
    identify(exe, &identity);
    __u8 rule = rule_for(&identity, family, key.addr);
    int allow = rule != NV_RULE_BLOCK;
    int held = allow && mark(ctx, cookie, to_hold(rule, family, key.addr, key.port));
    int verdict = !allow ? NV_REFUSED : held ? NV_HELD : NV_ALLOWED;
    __u8 yes = 1;
    if (hook == NV_HOOK_SENDMSG && bpf_map_update_elem(&sent, &key, &yes, BPF_NOEXIST) != 0)
        return allow;
    struct nv_connect_event* event = current_event();
    if (!event) return allow;
    __u64 now = bpf_ktime_get_boot_ns();
    event->boot_ns = now;
    event->cookie = cookie;
    event->family = family;
    event->protocol = ctx->protocol;
    event->hook = hook;
    event->verdict = verdict;
    event->port = key.port;
    __builtin_memcpy(event->addr, key.addr, sizeof event->addr);
    event->exe = identity;
    describe_process(event);
    __u64* walked = exe ? bpf_map_lookup_elem(&exe_paths, &identity) : 0;
    event->path_sent = walked && now - *walked < PATH_FRESH_NS;
    event->path_bytes = exe && !event->path_sent ? exe_path(exe) : 0;
    __u32 size = NV_RECORD_HEAD + event->path_bytes;
    if (size > sizeof *event) size = sizeof *event;
    /* One wake-up when unread data crosses the mark, none for the records after it. */
    __u64 pending = bpf_ringbuf_query(&events, BPF_RB_AVAIL_DATA);
    __u64 wake = pending <= WAKE_BYTES && pending + size > WAKE_BYTES;
    if (bpf_ringbuf_output(&events, event, size, wake ? BPF_RB_FORCE_WAKEUP : BPF_RB_NO_WAKEUP))
        count_drop();
    else if (event->path_bytes)
        bpf_map_update_elem(&exe_paths, &identity, &now, BPF_ANY);
    return allow;
}

SEC("cgroup/connect4")
int connect4(struct bpf_sock_addr* ctx) {
    return report(ctx, AF_INET, NV_HOOK_CONNECT);
}

SEC("cgroup/connect6")
int connect6(struct bpf_sock_addr* ctx) {
    return report(ctx, AF_INET6, NV_HOOK_CONNECT);
}

SEC("cgroup/sendmsg4")
int sendmsg4(struct bpf_sock_addr* ctx) {
    return report(ctx, AF_INET, NV_HOOK_SENDMSG);
}

SEC("cgroup/sendmsg6")
int sendmsg6(struct bpf_sock_addr* ctx) {
    return report(ctx, AF_INET6, NV_HOOK_SENDMSG);
}

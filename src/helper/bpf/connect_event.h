/* SPDX-License-Identifier: GPL-2.0-only OR BSD-2-Clause */
/* The record the kernel side leaves in the ring buffer for each connect() and each first
 * sendmsg() to a new destination; read by the event service. Plain C: both sides include it. */
#pragma once

#include <linux/types.h>

#define NV_COMM_BYTES 16
/* The executable's path is written leaf first, each component ending in a NUL byte, at offsets
 * below NV_PATH_BYTES (a power of two, so that the kernel's verifier can bound them); one more
 * component of up to NV_NAME_BYTES may end past it. */
#define NV_PATH_BYTES 512
#define NV_NAME_BYTES 256

enum nv_hook { NV_HOOK_CONNECT = 0, NV_HOOK_SENDMSG = 1 };

/* NV_HELD: the socket is marked, so that its first packet waits in the service's queue for the
 * user's answer. */
enum nv_verdict { NV_ALLOWED = 0, NV_REFUSED = 1, NV_HELD = 2 };

/* The user's rules for single programs, which the service puts in the kernel side's maps: for a
 * program's executable (its device and inode as the kernel has them), for it and one address, and
 * for one address whatever the program (only "ask" is kept there: blocks for every program are
 * the firewall's). */
enum nv_rule { NV_RULE_BLOCK = 1, NV_RULE_ALLOW = 2, NV_RULE_ASK = 3 };

/* The mark of a socket held for a question: the tag in the high bits and the low bits of the
 * socket's cookie below them, so that the service tells which connection a held packet is of. */
#define NV_HOLD_TAG 0x4e500000u
#define NV_HOLD_MASK 0xfff00000u
#define NV_HOLD_SLOT 0x000fffffu
/* The mark the service gives a held packet it refuses, for the rule that rejects it. */
#define NV_REFUSE_MARK 0x4e600000u

/* Whether sockets are held: only while an application of `uid` listens for questions. */
struct nv_hold_state {
    __u32 asking;
    __u32 uid;
};

struct nv_address_key {
    __u32 family;
    __u8 addr[16];
};

struct nv_program_key {
    __u64 ino;
    __u32 dev;
    __u32 unused;
};

struct nv_program_address_key {
    __u64 ino;
    __u32 dev;
    __u32 family;
    __u8 addr[16];
};

/* What tells one executable file from another while it is unchanged: its device and inode as the
 * kernel has them, the inode's generation and its change time. Replacing the file gives it another
 * inode; renaming or changing it changes its change time. */
struct nv_exe_key {
    __u64 ino;
    __u64 ctime_ns;
    __u32 dev;
    __u32 generation;
};

struct nv_connect_event {
    __u64 boot_ns;
    __u64 cookie;
    __u64 cgroup_id;
    struct nv_exe_key exe;
    __u32 pid;
    __u32 uid;
    /* Host byte order. */
    __u16 port;
    __u8 family;
    __u8 protocol;
    __u8 hook;
    __u8 verdict;
    /* 1 when `path` is left out because an earlier record of the same `exe` carried it. */
    __u8 path_sent;
    __u8 unused;
    /* Bytes of `path` used; 0 when the path could not be read whole or is left out. The record
     * sent ends after them. */
    __u16 path_bytes;
    __u8 addr[16];
    char comm[NV_COMM_BYTES];
    char path[NV_PATH_BYTES + NV_NAME_BYTES];
};

/* The bytes of a record before its path: the shortest record sent. */
#define NV_RECORD_HEAD __builtin_offsetof(struct nv_connect_event, path)

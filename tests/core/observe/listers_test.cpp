// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstddef>
#include <iterator>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <string>

#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "child_process.h"
#include "loopback_connection.h"
#include "observe/listers.h"

namespace {

bool listsOwnConnection(const Listers::Listing& listing, const LoopbackConnection& connection) {
    return std::any_of(listing.flows.begin(), listing.flows.end(), [&](const Flow& flow) {
        return flow.pid == getpid() && flow.proto == "tcp" && flow.remoteIP == "127.0.0.1" &&
               flow.remotePort == connection.port();
    });
}

// Makes socket(AF_NETLINK, ...) fail with EPERM in this process and the programs it starts, as a
// sandbox that forbids netlink does.
bool forbidNetlink() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_NETLINK, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

} // namespace

TEST(Listers, WithoutNetlinkSsAnswersAndWithoutSsLsofAndTheListingSaysWhy) {
    // ss itself then reads the socket tables under /proc/net.
    auto refused = inChild([] {
        if (!forbidNetlink()) return std::string("no seccomp");
        LoopbackConnection connection;
        Listers::Listing listing = Listers::list(platform::linux().listers);
        std::string text =
            listing.source + (listsOwnConnection(listing, connection) ? " found" : " missed");
        for (const std::string& problem : listing.problems)
            text += "; " + problem;
        return text;
    });
    EXPECT_EQ(refused, "ss found; netlink: cannot open a socket for the socket dump: Operation not "
                       "permitted");

    LoopbackConnection connection;
    std::vector<platform::ToolCommand> listers = platform::linux().listers;
    listers[1].path = "/nonexistent/ss";
    Listers::Listing listing = Listers::list({listers[1], listers[2]});
    EXPECT_EQ(listing.source, "lsof");
    EXPECT_TRUE(listsOwnConnection(listing, connection));
    EXPECT_EQ(listing.problems, std::vector<std::string>{
                                    "ss: cannot run /nonexistent/ss: No such file or directory"});
    // Nothing from any tool: the last one is told, and an empty answer is no problem.
    platform::ToolCommand silent{"/bin/true", {}, "quiet", platform::ListerFormat::ss};
    EXPECT_EQ(Listers::list({silent, listers[1]}),
              (Listers::Listing{.source = "ss", .problems = listing.problems}));
}

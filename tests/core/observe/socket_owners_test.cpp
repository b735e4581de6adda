// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "fixture.h"
#include "observe/listers.h"
#include "observe/socket_owners.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Owner = SocketOwners::Owner;

// A /proc of a few processes: each descriptor a link as the kernel writes it.
class FakeProc : public testing::Test {
  protected:
    void process(const std::string& pid, const std::string& comm,
                 const std::vector<std::pair<std::string, std::string>>& fds) {
        fs::create_directories(proc_ / (pid + "/fd"));
        std::ofstream(proc_ / (pid + "/comm"), std::ios::binary) << comm;
        for (const auto& [fd, link] : fds)
            fs::create_symlink(link, proc_ / (pid + "/fd/" + fd));
    }
    void SetUp() override {
        process("100", "editor\n",
                {{"3", "socket:[20673]"}, {"4", "pipe:[9]"}, {"7", "socket:[20673]"}});
        process("42", "x\",pid=1,fd=9),\n", {{"5", "socket:[20672]"}, {"6", "/dev/null"}});
        process("7", "shared\n", {{"5", "socket:[20673]"}, {"8", "socket:[30002]"}});
        // Not processes, or descriptors that only look like sockets.
        process("self", "liar\n", {{"1", "socket:[30001]"}});
        process("+9", "liar\n", {{"1", "socket:[30001]"}});
        process("9", "liar\n", {{"1", "socket:[30001]x"}, {"2", "socket:[-30001]"}});
    }

    TempDir proc_;
};

TEST_F(FakeProc, OwnersComeFromTheDescriptorLinksAndComm) {
    SocketOwners owners(proc_.path());
    owners.update({20673, 20672, 30001, 30002, 5});
    // The holders of 20673 and 20672 are checked through the listing below.
    EXPECT_EQ(owners.of(30002), (std::vector<Owner>{{7, "shared"}}));
    EXPECT_TRUE(owners.of(30001).empty());

    SocketOwners missing(proc_ / "missing");
    missing.update({20673});
    EXPECT_TRUE(missing.of(20673).empty());
}

// Between scans a known holder costs one readlink, and the processes are walked only for a socket
// not met before.
TEST_F(FakeProc, KnownHoldersAreCheckedAgainInsteadOfWalking) {
    SocketOwners owners(proc_.path());
    owners.update({20672, 30002, 30001});
    EXPECT_GT(owners.work().walked, 0u);
    owners.update({20672, 30002, 30001});
    // 30001 was walked for in vain once and stays unfound without a second walk.
    EXPECT_EQ(owners.work(), (SocketOwners::Work{2, 0}));
    EXPECT_EQ(owners.of(20672), (std::vector<Owner>{{42, "x\",pid=1,fd=9),"}}));

    // The descriptor now names another socket: the cached holder is not used, and a walk finds
    // the socket where it is now.
    fs::remove(proc_ / "42/fd/5");
    fs::create_symlink("socket:[99]", proc_ / "42/fd/5");
    process("50", "moved\n", {{"9", "socket:[20672]"}});
    owners.update({20672});
    EXPECT_GT(owners.work().walked, 0u);
    EXPECT_EQ(owners.of(20672), (std::vector<Owner>{{50, "moved"}}));
    // A process that ran another program under the same pid is named anew.
    std::ofstream(proc_ / "50/comm", std::ios::binary) << "renamed\n";
    owners.update({20672});
    EXPECT_EQ(owners.of(20672), (std::vector<Owner>{{50, "renamed"}}));
    // A process that ended, and a later one given its pid: the folder kept of the first is
    // given up, and the second is checked again without a walk.
    fs::remove_all(proc_ / "50");
    process("50", "later\n", {{"9", "socket:[20672]"}});
    owners.update({20672});
    owners.update({20672});
    EXPECT_EQ(owners.work(), (SocketOwners::Work{1, 0}));
    EXPECT_EQ(owners.of(20672), (std::vector<Owner>{{50, "later"}}));
    // A new socket of a known holder is found there, without reading any other process.
    fs::create_symlink("socket:[20680]", proc_ / "50/fd/10");
    owners.update({20672, 20680});
    EXPECT_EQ(owners.work(), (SocketOwners::Work{1, 1}));
    EXPECT_EQ(owners.of(20680), (std::vector<Owner>{{50, "later"}}));
    // A socket dropped from the listing is forgotten: listed again, it is walked for.
    owners.update({});
    owners.update({20672});
    EXPECT_GT(owners.work().walked, 0u);
}

TEST_F(FakeProc, SsSocketsBecomeOneFlowPerHolderAndUnknownOnesStay) {
    // Each socket's facts: cookie, user, own end, and whether a descriptor still holds it.
    auto facts = [](uint64_t cookie, std::optional<uint32_t> uid, const char* ip, int64_t port,
                    bool closed = false) { return SocketFacts{cookie, uid, 0, ip, port, closed}; };
    SocketFacts first = facts(0x47, std::nullopt, "127.0.0.1", 50933);
    SocketFacts second = facts(0x48, std::nullopt, "127.0.0.1", 34662);
    std::vector<Flow> expected{
        {7, "shared", "tcp", "127.0.0.1", 34662, 1234, 567, first},
        {100, "editor", "tcp", "127.0.0.1", 34662, 1234, 567, first},
        {42, "x\",pid=1,fd=9),", "tcp", "127.0.0.1", 50933, 0, 0, second},
        {-1, "?", "tcp", "::1", 47012, 7, 0, facts(0x49, 1000, "::1", 37044)},
        {7, "shared", "udp", "127.0.0.1", 47013, 0, 0,
         facts(0x4a, std::nullopt, "127.0.0.1", 36277)},
        {-1, "?", "tcp", "127.0.0.1", 8080, 0, 0,
         facts(0x4b, std::nullopt, "127.0.0.1", 41000, true)}};
    // The socket listed a second time (inode 20672) counts once, with its first counters; only
    // the first "ino:" tells the inode.
    EXPECT_EQ(
        Listers::parse(platform::ListerFormat::ssInodes, fixture("ss_inodes.txt"), proc_.path()),
        expected);
}

TEST(SocketOwners, OnlyKernelSocketLinksHaveAnInode) {
    EXPECT_EQ(SocketOwners::socketInode("socket:[20673]"), 20673u);
    for (const char* link : {"socket:[]", "socket:[+1]", "socket:[1", "pipe:[1]", "socket:[1] ",
                             "/tmp/socket:[1]", "socket:[99999999999999999999]"})
        EXPECT_EQ(SocketOwners::socketInode(link), std::nullopt) << link;
}

} // namespace

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
    SocketOwners owners = SocketOwners::read({20673, 20672, 30001, 30002, 5}, proc_.path());
    EXPECT_EQ(owners.of(20673), (std::vector<Owner>{{7, "shared"}, {100, "editor"}}));
    EXPECT_EQ(owners.of(20672), (std::vector<Owner>{{42, "x\",pid=1,fd=9),"}}));
    EXPECT_EQ(owners.of(30002), (std::vector<Owner>{{7, "shared"}}));
    EXPECT_TRUE(owners.of(30001).empty());
    EXPECT_TRUE(owners.of(5).empty());
    EXPECT_TRUE(SocketOwners::read({20673}, proc_ / "missing").of(20673).empty());

    // Every socket's owners, for a walk that runs before the sockets are known.
    SocketOwners all = SocketOwners::readAll(proc_.path());
    for (uint64_t inode : {20673, 20672, 30001, 30002, 5})
        EXPECT_EQ(all.of(inode), owners.of(inode)) << inode;
}

TEST_F(FakeProc, SsSocketsBecomeOneFlowPerHolderAndUnknownOnesStay) {
    std::vector<Flow> expected{{7, "shared", "tcp", "127.0.0.1", 34662, 1234, 567},
                               {100, "editor", "tcp", "127.0.0.1", 34662, 1234, 567},
                               {42, "x\",pid=1,fd=9),", "tcp", "127.0.0.1", 50933, 0, 0},
                               {-1, "?", "tcp", "::1", 47012, 7, 0},
                               {7, "shared", "udp", "127.0.0.1", 47013, 0, 0},
                               {-1, "?", "tcp", "127.0.0.1", 8080, 0, 0}};
    // The socket listed a second time (inode 20672) counts once, with its first counters.
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

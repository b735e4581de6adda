#include <cstdio>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "block_file.h"
#include "temp_dir.h"

namespace {

const std::vector<uid_t> me{0, geteuid()};

class BlockFileTest : public testing::Test {
  protected:
    void SetUp() override { directory_ = open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY); }
    void TearDown() override { close(directory_); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    BlockFile openFile(const std::string& name, const std::vector<uid_t>& owners = me) {
        return BlockFile::open(directory_, name, owners);
    }

    TempDir dir_;
    int directory_ = -1;
};

TEST_F(BlockFileTest, AMissingFileReadsAsEmpty) {
    BlockFile file = openFile("block_ips.txt");
    EXPECT_EQ(file.problem(), "");
    EXPECT_EQ(file.read(100), BlockFile::Contents{});
}

TEST_F(BlockFileTest, ASymbolicLinkIsRefusedEvenToAGoodFile) {
    write("real.txt", "192.0.2.1\n");
    std::filesystem::create_symlink(dir_ / "real.txt", dir_ / "block_ips.txt");
    BlockFile file = openFile("block_ips.txt");
    EXPECT_EQ(file.problem(), "block_ips.txt is a symbolic link");
    EXPECT_EQ(file.read(100).text, "");
}

TEST_F(BlockFileTest, OnlyRegularFilesOfTheAllowedOwnersAreRead) {
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(openFile("fifo").problem(), "fifo is not a regular file");
    std::filesystem::create_directory(dir_ / "sub");
    EXPECT_EQ(openFile("sub").problem(), "sub is not a regular file");
    write("block_ips.txt", "192.0.2.1\n");
    uid_t stranger = geteuid() + 4242;
    EXPECT_EQ(openFile("block_ips.txt", {stranger}).problem(),
              "block_ips.txt is owned by user " + std::to_string(geteuid()));
}

TEST_F(BlockFileTest, AFileReplacedAfterOpeningIsReadAsItWasOpened) {
    write("block_ips.txt", "192.0.2.1\n");
    BlockFile file = openFile("block_ips.txt");
    write("swap.txt", "garbage that must not be read\n");
    ASSERT_EQ(std::rename((dir_ / "swap.txt").c_str(), (dir_ / "block_ips.txt").c_str()), 0);
    EXPECT_EQ(file.read(100).text, "192.0.2.1\n");
}

TEST_F(BlockFileTest, ALimitKeepsWholeLinesAndSaysTheRestWasCut) {
    write("f", "aaaa\nbbbb\ncccc");
    EXPECT_EQ(openFile("f").read(14), (BlockFile::Contents{"aaaa\nbbbb\ncccc", false}));
    EXPECT_EQ(openFile("f").read(13), (BlockFile::Contents{"aaaa\nbbbb\n", true}));
    EXPECT_EQ(openFile("f").read(10), (BlockFile::Contents{"aaaa\nbbbb\n", true}));
    EXPECT_EQ(openFile("f").read(9), (BlockFile::Contents{"aaaa\n", true}));
    EXPECT_EQ(openFile("f").read(3), (BlockFile::Contents{"", true}));
}

} // namespace

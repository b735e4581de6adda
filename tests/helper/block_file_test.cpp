// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
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

constexpr size_t cap = 1024 * 1024;

class BlockFileTest : public testing::Test {
  protected:
    void SetUp() override { directory_ = open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY); }
    void TearDown() override { close(directory_); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    Result<BlockFile> openFile(const std::string& name, uid_t owner = geteuid()) {
        return BlockFile::open(directory_, name, owner, cap);
    }
    // Why `name` is refused; empty when it may be read.
    std::string refusal(const std::string& name, uid_t owner = geteuid()) {
        Result<BlockFile> file = openFile(name, owner);
        return file ? "" : file.error().message;
    }

    TempDir dir_;
    int directory_ = -1;
};

// Links, even to a good file, other kinds of file, files of another owner or that others could
// have written.
TEST_F(BlockFileTest, OnlyRegularFilesOfTheAllowedOwnerNoOneElseCouldChangeAreRead) {
    write("real.txt", "192.0.2.1\n");
    std::filesystem::create_symlink(dir_ / "real.txt", dir_ / "link.txt");
    EXPECT_EQ(refusal("link.txt"), "link.txt is a symbolic link");
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(refusal("fifo"), "fifo is not a regular file");
    std::filesystem::create_directory(dir_ / "sub");
    EXPECT_EQ(refusal("sub"), "sub is not a regular file");
    write("block_ips.txt", "192.0.2.1\n");
    EXPECT_EQ(refusal("block_ips.txt", geteuid() + 4242),
              "block_ips.txt is owned by user " + std::to_string(geteuid()));
    write("shared.txt", "192.0.2.1\n");
    chmod((dir_ / "shared.txt").c_str(), 0666);
    EXPECT_EQ(refusal("shared.txt"), "shared.txt is writable by others (mode 0666)");
    chmod((dir_ / "shared.txt").c_str(), 0620);
    EXPECT_EQ(refusal("shared.txt"), "shared.txt is writable by others (mode 0620)");
    std::filesystem::create_hard_link(dir_ / "real.txt", dir_ / "hard.txt");
    EXPECT_EQ(refusal("hard.txt"), "hard.txt has 2 links");
}

TEST_F(BlockFileTest, AFileAboveTheCapIsRefusedWithoutReadingIt) {
    write("exact.txt", std::string(cap, '\n'));
    EXPECT_EQ(refusal("exact.txt"), "");
    write("sparse.txt", "");
    // A sparse file of 64 GiB: reading it would take minutes.
    ASSERT_EQ(truncate((dir_ / "sparse.txt").c_str(), off_t(64) << 30), 0);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(refusal("sparse.txt"), "sparse.txt is larger than 1 MiB");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
}

TEST_F(BlockFileTest, AFileReplacedAfterOpeningIsReadAsItWasOpened) {
    write("block_ips.txt", "192.0.2.1\n");
    Result<BlockFile> file = openFile("block_ips.txt");
    ASSERT_TRUE(file);
    write("swap.txt", "garbage that must not be read\n");
    ASSERT_EQ(std::rename((dir_ / "swap.txt").c_str(), (dir_ / "block_ips.txt").c_str()), 0);
    EXPECT_EQ(file->read(100).text, "192.0.2.1\n");
}

TEST_F(BlockFileTest, ALimitKeepsWholeLinesAndSaysTheRestWasCut) {
    EXPECT_EQ(openFile("missing")->read(100), BlockFile::Contents{});
    write("f", "aaaa\nbbbb\ncccc");
    EXPECT_EQ(openFile("f")->read(14), (BlockFile::Contents{"aaaa\nbbbb\ncccc", false}));
    EXPECT_EQ(openFile("f")->read(13), (BlockFile::Contents{"aaaa\nbbbb\n", true}));
    EXPECT_EQ(openFile("f")->read(10), (BlockFile::Contents{"aaaa\nbbbb\n", true}));
    EXPECT_EQ(openFile("f")->read(9), (BlockFile::Contents{"aaaa\n", true}));
    EXPECT_EQ(openFile("f")->read(3), (BlockFile::Contents{"", true}));
}

} // namespace

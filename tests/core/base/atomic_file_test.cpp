#include <cerrno>
#include <filesystem>
#include <fstream>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "file_size_limit.h"

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/nv-atomic-XXXXXX";
        directory = mkdtemp(pattern);
        target = directory + "/data.json";
    }
    void TearDown() override { fs::remove_all(directory); }

    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(directory), {}));
    }

    std::string directory;
    std::string target;
};

} // namespace

TEST_F(AtomicFileTest, ReplacesTheFileAndKeepsItsPermissions) {
    ASSERT_TRUE(AtomicFile::write(target, "old"));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    chmod(target.c_str(), 0640);
    ASSERT_TRUE(AtomicFile::write(target, std::string("new\0data", 8)));
    EXPECT_EQ(AtomicFile::read(target), std::string("new\0data", 8));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFileTest, AFailedWriteLeavesThePreviousFileIntact) {
    ASSERT_TRUE(AtomicFile::write(target, "previous"));
    // Writing the temporary file fails part-way.
    EXPECT_TRUE(withFileSizeLimit(4, [&] {
        Result<void> written = AtomicFile::write(target, std::string(100000, 'x'));
        return !written && written.error().message.find(target) != std::string::npos &&
               written.error().code == EFBIG;
    }));
    EXPECT_EQ(AtomicFile::read(target), "previous");
    EXPECT_EQ(entries(), 1u) << "the temporary file was left behind";
}

TEST_F(AtomicFileTest, FailsCleanlyWhenTheTargetCannotBeReplaced) {
    fs::create_directory(target);
    std::ofstream(target + "/inside") << "x";
    Result<void> written = AtomicFile::write(target, "data");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().code, EISDIR);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(entries(), 1u);
    EXPECT_FALSE(AtomicFile::write(directory + "/missing/data.json", "data"));
}

TEST_F(AtomicFileTest, ReadsOnlyRegularFiles) {
    EXPECT_EQ(AtomicFile::read(target), std::nullopt);
    EXPECT_EQ(AtomicFile::read(directory), std::nullopt);
    std::ofstream(target) << "";
    EXPECT_EQ(AtomicFile::read(target), "");
}

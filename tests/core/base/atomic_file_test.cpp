// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "read_text.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public testing::Test {
  protected:
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(directory), {}));
    }

    TempDir dir;
    std::string directory = dir.path();
    std::string target = dir / "data.json";
};

} // namespace

TEST_F(AtomicFileTest, ReplacesTheFileAndKeepsItsPermissions) {
    ASSERT_TRUE(AtomicFile::write(target, "old"));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    chmod(target.c_str(), 0640);
    ASSERT_TRUE(AtomicFile::write(target, std::string("new\0data", 8)));
    EXPECT_EQ(readText(target), std::string("new\0data", 8));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 1u);
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

TEST_F(AtomicFileTest, ReadsOnlyRegularFilesAndSaysWhyNot) {
    EXPECT_EQ(AtomicFile::read(target).error(),
              (Error{ENOENT, "cannot read " + target + ": No such file or directory"}));
    EXPECT_FALSE(AtomicFile::holds(target, "")) << "a missing file is not an empty one";

    // A FIFO without a writer is refused at once rather than waited on.
    const std::string fifo = directory + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {directory, fifo})
        EXPECT_EQ(AtomicFile::read(path).error().message,
                  "cannot read " + path + ": not a regular file");

    std::ofstream(target) << "";
    EXPECT_TRUE(AtomicFile::holds(target, ""));
    EXPECT_FALSE(AtomicFile::holds(target, "x"));
}

// Only temporary files nobody touched for a minute go: a write in progress keeps its own.
TEST_F(AtomicFileTest, LeftoversOfKilledWritesAreRemovedAndNothingElse) {
    auto put = [&](const std::string& name, bool old) {
        std::ofstream(directory + "/" + name) << "x";
        if (old)
            fs::last_write_time(directory + "/" + name,
                                fs::file_time_type::clock::now() - std::chrono::minutes(2));
    };
    put("rules.json.tmp-a1B2c3", true);
    put("rules.json.tmp-d4E5f6", false);
    put("rules.json", true);
    put("notes.tmp-toolongname", true);
    put(".tmp-a1B2c3", true);
    fs::create_directory(directory + "/dir.tmp-a1B2c3");
    AtomicFile::removeLeftovers(directory);
    EXPECT_FALSE(fs::exists(directory + "/rules.json.tmp-a1B2c3"));
    EXPECT_EQ(entries(), 5u);
    AtomicFile::removeLeftovers(directory + "/missing");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

#include "name_map.h"
#include "read_text.h"
#include "temp_dir.h"

using namespace std::chrono_literals;

namespace {

NameMap::Clock::time_point start{};

} // namespace

TEST(NameMap, NewestAnswerWinsAndEntriesExpireByAge) {
    NameMap map(8, 3600s);
    EXPECT_TRUE(map.add("198.51.100.7", "a.test", start));
    EXPECT_TRUE(map.add("198.51.100.8", "b.test", start + 10s));
    EXPECT_FALSE(map.add("198.51.100.7", "a.test", start + 20s)); // refreshed, same name
    EXPECT_TRUE(map.add("198.51.100.8", "c.test", start + 30s));
    EXPECT_EQ(map.text(), "198.51.100.8 c.test\n198.51.100.7 a.test\n");
    EXPECT_FALSE(map.expire(start + 3619s));
    EXPECT_TRUE(map.expire(start + 3620s)); // a.test was answered last at +20 s
    EXPECT_EQ(map.text(), "198.51.100.8 c.test\n");
    EXPECT_TRUE(map.expire(start + 3630s));
    EXPECT_EQ(map.size(), 0u);
}

TEST(NameMap, FullMapDropsTheOldestAnswer) {
    NameMap map(3, 3600s);
    for (int i = 0; i < 3; ++i)
        map.add("192.0.2." + std::to_string(i), "n" + std::to_string(i) + ".test", start + i * 1s);
    map.add("192.0.2.0", "n0.test", start + 5s); // answered again: now the newest
    map.add("192.0.2.9", "n9.test", start + 6s);
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(map.text(), "192.0.2.9 n9.test\n192.0.2.0 n0.test\n192.0.2.2 n2.test\n");
    for (int i = 0; i < 10000; ++i)
        map.add("203.0.113." + std::to_string(i % 250) + std::to_string(i), "x.test", start);
    EXPECT_EQ(map.size(), 3u);
}

// That it goes to the user under the real service is container.sh's check.
TEST(NamesFile, PublishedForTheOwnerOnlyAndReplacedWhole) {
    TempDir dir;
    std::string path = dir.path() + "/names";
    Result<void> published = NamesFile::publish(path, "192.0.2.1 a.test\n", getuid(), getgid());
    ASSERT_TRUE(published) << published.error().message;
    ASSERT_TRUE(NamesFile::publish(path, "192.0.2.2 b.test\n", getuid(), getgid()));
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0600));
    EXPECT_EQ(readText(path), "192.0.2.2 b.test\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    published = NamesFile::publish(dir.path() + "/no/names", "", getuid(), getgid());
    ASSERT_FALSE(published);
    EXPECT_EQ(published.error().code, ENOENT);
}

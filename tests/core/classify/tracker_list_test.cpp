#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/net.h"
#include "base/resources.h"
#include "base/text.h"
#include "classify/tracker_list.h"
#include "present/credits.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Entries = std::map<std::string, char>;

Entries entries(const TrackerList& list) {
    return Entries(list.domains().begin(), list.domains().end());
}

const std::string& shippedText() {
    static const std::string text =
        AtomicFile::read(Resources::path("trackers.txt")).value_or(std::string());
    return text;
}

} // namespace

TEST(TrackerList, KeepsEachDomainExactlyAsWritten) {
    struct Case {
        const char* name;
        std::string text;
        Entries expected;
    };
    for (const Case& c : std::vector<Case>{
             {"comment", "# p comment.example\n", {}},
             {"two characters and empty lines", "pa\n\n\n", {}},
             {"tag, separator, domain", "p ads.example\n", {{"ads.example", 'p'}}},
             {"no final line feed", "a ads.example", {{"ads.example", 'a'}}},
             {"trailing space kept", "p ads.example \n", {{"ads.example ", 'p'}}},
             {"carriage return kept", "p ads.example\r\n", {{"ads.example\r", 'p'}}},
             {"case kept", "p Ads.EXAMPLE\n", {{"Ads.EXAMPLE", 'p'}}},
             // The separator is skipped whatever it is; "#" only counts in front.
             {"any separator",
              "x#ads.example\n #b.example\n",
              {{"ads.example", 'x'}, {"b.example", ' '}}},
             {"three characters", "p x\n", {{"x", 'p'}}},
             {"a repeat keeps the last tag",
              "p dup.example\na other.example\na dup.example\n",
              {{"dup.example", 'a'}, {"other.example", 'a'}}},
         }) {
        TrackerList list(c.text);
        EXPECT_EQ(entries(list), c.expected) << c.name;
        EXPECT_EQ(list.count(), c.expected.size()) << c.name;
    }
}

TEST(TrackerList, MatchesTheLongestListedSuffix) {
    TrackerList list("p tracker.example\n"
                     "a site.test\n"
                     "a deep.sub.site.test\n"
                     "p localhost\n"
                     "p example\n"
                     "p spaced.example \n"
                     "p crlf.example\r\n");
    const std::map<std::string, std::optional<std::string>> cases = {
        {"tracker.example", "tracker.example"},
        {"ads.tracker.example", "tracker.example"},
        {"A.Tracker.EXAMPLE", "tracker.example"},
        {"x.deep.sub.site.test", "deep.sub.site.test"},
        {"deep.sub.site.test", "deep.sub.site.test"},
        {"other.sub.site.test", "site.test"},
        {"nottracker.example", std::nullopt},
        {"tracker.example.org", std::nullopt},
        // A host ending in a dot is probed as written and finds nothing.
        {"ads.tracker.example.", std::nullopt},
        // A trailing space or carriage return is part of the listed name, which never matches.
        {"spaced.example", std::nullopt},
        {"crlf.example", std::nullopt},
        // Single labels are never listed, and the last label alone is never tried.
        {"localhost", std::nullopt},
        {"LOCALHOST", std::nullopt},
        {"other.example", std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
    };
    for (const auto& [host, expected] : cases)
        EXPECT_EQ(list.match(host), expected) << host;
}

TEST(TrackerList, LoadReplacesTheWholeSet) {
    TrackerList list("p old.example\np both.example\n");
    list.load("a both.example\na new.example\n");
    EXPECT_EQ(entries(list), (Entries{{"both.example", 'a'}, {"new.example", 'a'}}));
    EXPECT_EQ(list.match("www.old.example"), std::nullopt);
    list.load("");
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(TrackerList().count(), 0u);
}

TEST(TrackerList, AnUnreadableFileLeavesTheListUnchanged) {
    TempDir directory;
    std::string file = directory / "trackers.txt";
    ASSERT_TRUE(AtomicFile::write(file, "p one.example\n"));

    TrackerList list("p kept.example\n");
    const std::string missing = directory / "missing.txt";
    Result<void> loaded = list.loadFile(missing);
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error(),
              (Error{ENOENT, "cannot read " + missing + ": No such file or directory"}));
    EXPECT_FALSE(list.loadFile(directory.path()));
    EXPECT_EQ(entries(list), (Entries{{"kept.example", 'p'}}));
    loaded = list.loadFile(file);
    EXPECT_TRUE(loaded) << loaded.error().message;
    EXPECT_EQ(entries(list), (Entries{{"one.example", 'p'}}));
}

// After its header, every line is the tag of a list the header and the credits name, a space
// and a valid lower-case domain, in order and each once.
TEST(TrackerList, TheShippedFileIsSortedDomainsOfTheListsItCredits) {
    const std::map<char, std::string> lists = {
        {'p', "EasyPrivacy"}, {'u', "uBlock filters – Privacy"}, {'a', "EasyList"}};
    std::vector<std::string_view> lines = Text::split(shippedText(), '\n');
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "") << "the file ends with a line feed";
    lines.pop_back();
    std::string header;
    size_t headerLines = 0;
    for (; headerLines < lines.size() && lines[headerLines].starts_with("# "); ++headerLines)
        header.append(lines[headerLines]).push_back('\n');
    EXPECT_GE(headerLines, 3u);
    std::string_view previous;
    std::set<char> tags;
    for (size_t i = headerLines; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        ASSERT_GE(line.size(), 3u) << "line " << i + 1;
        std::string_view domain = line.substr(2);
        EXPECT_TRUE(lists.contains(line[0]) && line[1] == ' ') << line;
        tags.insert(line[0]);
        EXPECT_TRUE(Net::isValidDomain(domain) && Text::toLower(domain) == domain) << line;
        EXPECT_LT(previous, domain) << "unsorted or repeated at line " << i + 1;
        previous = domain;
    }
    EXPECT_EQ(TrackerList(shippedText()).count(), lines.size() - headerLines);
    EXPECT_EQ(tags.size(), lists.size());
    for (const auto& [tag, list] : lists) {
        EXPECT_NE(header.find(std::string{tag} + " = " + list), std::string::npos) << list;
        for (Lang lang : {Lang::en, Lang::ru})
            EXPECT_NE(Credits::trackerLists(lang).find(list), std::string::npos) << list;
    }
    for (Lang lang : {Lang::en, Lang::ru})
        EXPECT_NE(Credits::trackerLists(lang).find("CC BY-SA 3.0"), std::string::npos);
    EXPECT_NE(header.find("CC BY-SA 3.0"), std::string::npos);
}

TEST(Resources, PrefersTheInstalledCopyThenTheOneBesideTheProgram) {
    TempDir dir;
    fs::path prefix = dir.path();
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "nattervane" / "folder.txt");
    std::string program = (prefix / "bin" / "nattervane").string();
    std::string installed = (prefix / "share" / "nattervane" / "trackers.txt").string();
    std::string development = std::string(NATTERVANE_RESOURCES) + "/trackers.txt";

    std::string beside = (prefix / "bin" / "trackers.txt").string();
    EXPECT_EQ(Resources::path("trackers.txt", program), development);
    ASSERT_TRUE(AtomicFile::write(beside, "p a.example\n"));
    EXPECT_EQ(Resources::path("trackers.txt", program), beside);
    ASSERT_TRUE(AtomicFile::write(installed, "p a.example\n"));
    EXPECT_EQ(Resources::path("trackers.txt", program), installed);
    EXPECT_EQ(Resources::path("folder.txt", program),
              std::string(NATTERVANE_RESOURCES) + "/folder.txt");
    EXPECT_EQ(Resources::path("trackers.txt", ""), development);
    EXPECT_EQ(Resources::path("trackers.txt"), development);
}

TEST(Resources, HelperDirIsTheInstalledOneWithItsScriptElseTheSourceTrees) {
    TempDir dir;
    fs::path prefix = dir.path();
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "nattervane" / "helper");
    std::string program = (prefix / "bin" / "nattervane").string();
    std::string development =
        (fs::path(NATTERVANE_RESOURCES).parent_path() / "helper" / "linux").string();

    EXPECT_EQ(Resources::helperDir(platform::linux(), program), development);
    EXPECT_EQ(Resources::helperDir(platform::macos(), ""),
              (fs::path(NATTERVANE_RESOURCES).parent_path() / "helper" / "macos").string());
    ASSERT_TRUE(AtomicFile::write((prefix / "share/nattervane/helper/nv-install.sh").string(), ""));
    EXPECT_EQ(Resources::helperDir(platform::linux(), program),
              (prefix / "share" / "nattervane" / "helper").string());
}

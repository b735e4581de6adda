// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <filesystem>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "base/net.h"
#include "base/resources.h"
#include "base/text.h"
#include "classify/classifier.h"
#include "classify/known_orgs.h"
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
    static const std::string text = AtomicFile::read(Resources::path("trackers.txt")).value_or("");
    return text;
}

const TrackerList& shipped() {
    static const TrackerList list(shippedText());
    return list;
}

} // namespace

TEST(TrackerList, KeepsEachDomainExactlyAsWrittenAndAFailedReadChangesNothing) {
    struct Case {
        const char* name;
        std::string text;
        Entries expected;
    };
    for (const Case& c : std::vector<Case>{
             {"comments, lines of two characters and empty lines",
              "# p comment.example\npa\n\n\np x\n",
              {{"x", 'p'}}},
             {"tag, separator, domain; case kept; no final line feed",
              "p Ads.EXAMPLE\na b.example",
              {{"Ads.EXAMPLE", 'p'}, {"b.example", 'a'}}},
             // The separator is skipped whatever it is; "#" only counts in front.
             {"any separator",
              "x#ads.example\n #b.example\n",
              {{"ads.example", 'x'}, {"b.example", ' '}}},
             {"a repeat keeps the last tag",
              "p dup.example\na other.example\na dup.example\n",
              {{"dup.example", 'a'}, {"other.example", 'a'}}},
         })
        EXPECT_EQ(entries(TrackerList(c.text)), c.expected) << c.name;
    // A failed read leaves the list as it was; a good one replaces it whole.
    TempDir directory;
    TrackerList list("p kept.example\n");
    EXPECT_EQ(list.loadFile(directory / "missing.txt").error().code, ENOENT);
    EXPECT_EQ(entries(list), (Entries{{"kept.example", 'p'}}));
    ASSERT_TRUE(AtomicFile::write(directory / "trackers.txt", "p one.example\n"));
    ASSERT_TRUE(list.loadFile(directory / "trackers.txt"));
    EXPECT_EQ(entries(list), (Entries{{"one.example", 'p'}}));
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
        {"A.Tracker.EXAMPLE", "tracker.example"},
        {"x.deep.sub.site.test", "deep.sub.site.test"},
        {"other.sub.site.test", "site.test"},
        {"nottracker.example", std::nullopt},
        {"tracker.example.org", std::nullopt},
        // A host ending in a dot is probed as written and finds nothing.
        {"ads.tracker.example.", std::nullopt},
        // A trailing space or carriage return is part of the listed name, which never matches.
        {"spaced.example", std::nullopt},
        {"crlf.example", std::nullopt},
        // Single labels are never listed, and the last label alone is never tried.
        {"LOCALHOST", std::nullopt},
        {"other.example", std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
    };
    for (const auto& [host, expected] : cases)
        EXPECT_EQ(list.match(host), expected) << host;
}

// After its header, every line is the tag of a list the header and the credits name, a space
// and a valid lower-case domain, in order and each once.
TEST(TrackerList, TheShippedFileIsSortedDomainsOfTheListsItCredits) {
    const std::map<char, std::string> lists = {
        {'p', "EasyPrivacy"},
        {'u', "uBlock filters – Privacy"},
        {'a', "EasyList"},
        {'s', "hosts that analytics, attribution and advertising"}};
    ASSERT_TRUE(shippedText().ends_with('\n'));
    std::vector<std::string_view> lines = Text::splitNonEmpty(shippedText(), '\n');
    std::string header;
    size_t headerLines = 0;
    for (; headerLines < lines.size() && lines[headerLines].starts_with("# "); ++headerLines)
        header.append(lines[headerLines]).push_back('\n');
    std::string_view previous;
    std::set<char> tags;
    for (size_t i = headerLines; i < lines.size(); ++i) {
        std::string_view line = lines[i], domain = line.substr(std::min<size_t>(line.size(), 2));
        EXPECT_TRUE(line.size() > 2 && lists.contains(line[0]) && line[1] == ' ') << line;
        tags.insert(line[0]);
        EXPECT_TRUE(Net::isValidDomain(domain) && Text::toLower(domain) == domain) << line;
        EXPECT_LT(previous, domain) << "unsorted or repeated at line " << i + 1;
        previous = domain;
    }
    EXPECT_EQ(shipped().count(), lines.size() - headerLines);
    EXPECT_EQ(tags.size(), lists.size());
    for (const auto& [tag, list] : lists)
        EXPECT_NE(header.find(std::string{tag} + " = " + list), std::string::npos) << list;
    EXPECT_NE(header.find("CC BY-SA 3.0"), std::string::npos);
    for (Lang lang : {Lang::en, Lang::ru})
        for (const std::string& credited :
             {lists.at('p'), lists.at('u'), lists.at('a'), std::string("CC BY-SA 3.0")})
            EXPECT_NE(Credits::trackerLists(lang).find(credited), std::string::npos) << credited;
}

// The services a desktop needs are not listed, and a listed tracking host of a big service does
// not take the service's other hosts along. That the trackers are listed is the SDK hosts' check
// below.
TEST(TrackerList, TheShippedFileLeavesTheServicesADesktopNeeds) {
    ASSERT_GT(shipped().count(), 50000u);
    for (const char* host :
         {"deb.debian.org", "dl.flathub.org", "raw.githubusercontent.com", "s3.amazonaws.com",
          "cdn.jsdelivr.net", "ocsp.digicert.com", "fonts.gstatic.com", "www.bing.com",
          "mail.yandex.ru", "www.googleapis.com"})
        EXPECT_EQ(shipped().match(host), std::nullopt) << host;
}

// Every analytics, attribution and advertising company of the organisation tables has the hosts
// its SDKs contact in our own list; each is on the shipped tracker list and read as tracking.
TEST(TrackerList, TheShippedFileListsTheSdkHostsOfEveryTrackingCompanyOfTheTables) {
    auto tracking = [](Category c) {
        return c == Category::analytics || c == Category::tracker || c == Category::ads;
    };
    std::set<std::string> companies;
    for (const KnownOrgs::Row& row : KnownOrgs::table())
        if (tracking(row.category)) companies.emplace(row.company);
    const std::string orgsText = AtomicFile::read(Resources::path("orgs.txt")).value_or("");
    for (std::string_view line : Text::splitNonEmpty(orgsText, '\n'))
        if (std::vector<std::string_view> f = Text::split(line, '\t'); f.size() == 3)
            if (auto category = Categories::from(f[1]); category && tracking(*category))
                companies.emplace(f[2]);
    ASSERT_GT(companies.size(), 100u);
    const OrgTable orgs(orgsText);
    std::set<std::string> covered;
    const std::string sdkText =
        AtomicFile::read(Resources::path("sdk_tracker_hosts.txt")).value_or("");
    for (std::string_view line : Text::splitNonEmpty(sdkText, '\n')) {
        if (line.front() == '#') continue;
        std::vector<std::string_view> f = Text::split(line, '\t');
        ASSERT_EQ(f.size(), 2u) << line;
        std::string host(f[0]);
        EXPECT_TRUE(companies.contains(std::string(f[1]))) << line;
        covered.emplace(f[1]);
        EXPECT_TRUE(shipped().match(host)) << host;
        Verdict verdict = Classifier::classify("203.0.113.9", host, &shipped(), &orgs);
        EXPECT_TRUE(Categories::isTracking(verdict.category)) << host;
    }
    for (const std::string& company : companies)
        EXPECT_TRUE(covered.contains(company)) << company << " has no SDK hosts";
}

// An installed copy first, then one beside the program, else the source tree's; the helper's
// folder only when its script is there.
TEST(Resources, PreferTheInstalledCopyThenTheOneBesideTheProgram) {
    TempDir dir;
    fs::create_directories(dir / "bin");
    fs::create_directories(dir / "share/nattervane/folder.txt");
    fs::create_directories(dir / "share/nattervane/helper");
    const std::string program = dir / "bin/nattervane";
    const std::string development = std::string(NATTERVANE_RESOURCES) + "/trackers.txt";
    EXPECT_EQ(Resources::path("trackers.txt", program), development);
    ASSERT_TRUE(AtomicFile::write(dir / "bin/trackers.txt", "p a.example\n"));
    EXPECT_EQ(Resources::path("trackers.txt", program), dir / "bin/trackers.txt");
    ASSERT_TRUE(AtomicFile::write(dir / "share/nattervane/trackers.txt", "p a.example\n"));
    EXPECT_EQ(Resources::path("trackers.txt", program), dir / "share/nattervane/trackers.txt");
    EXPECT_EQ(Resources::path("folder.txt", program),
              std::string(NATTERVANE_RESOURCES) + "/folder.txt");
    EXPECT_EQ(Resources::path("trackers.txt", ""), development);
    const fs::path sources = fs::path(NATTERVANE_RESOURCES).parent_path() / "helper";
    EXPECT_EQ(Resources::helperDir(platform::linux(), program), (sources / "linux").string());
    EXPECT_EQ(Resources::helperDir(platform::macos(), ""), (sources / "macos").string());
    ASSERT_TRUE(AtomicFile::write(dir / "share/nattervane/helper/nv-install.sh", ""));
    EXPECT_EQ(Resources::helperDir(platform::linux(), program), dir / "share/nattervane/helper");
}

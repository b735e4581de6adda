#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/net.h"
#include "classify/known_orgs.h"

namespace {

// Rows (numbered from 1) whose domain lies under another row's domain, and that row.
const std::map<size_t, size_t> parentRows{{4, 108},  {32, 92},  {34, 86},  {49, 108}, {50, 109},
                                          {75, 113}, {76, 113}, {78, 77},  {81, 82},  {104, 96},
                                          {105, 97}, {106, 96}, {143, 111}};

// Rows of three or more labels whose parent domain is no row.
const std::vector<size_t> orphanHosts{9, 31, 64, 65, 77, 80, 118};

std::string_view domain(size_t row) {
    return KnownOrgs::table().at(row - 1).domain;
}

bool isUnder(std::string_view child, std::string_view parent) {
    return child.size() > parent.size() && child.ends_with(parent) &&
           child[child.size() - parent.size() - 1] == '.';
}

} // namespace

TEST(KnownOrgsTable, DomainsAreDistinctValidLowerCaseNames) {
    const auto& table = KnownOrgs::table();
    std::set<std::string_view> seen;
    for (const auto& row : table) {
        EXPECT_TRUE(Net::isValidDomain(row.domain)) << row.domain;
        for (char c : row.domain)
            EXPECT_FALSE(c >= 'A' && c <= 'Z') << row.domain;
        EXPECT_TRUE(seen.insert(row.domain).second) << "duplicate " << row.domain;
        EXPECT_EQ(KnownOrgs::lookup(row.domain), (Org{std::string(row.company), row.category}))
            << row.domain;
    }
    EXPECT_EQ(seen.size(), 151u);
}

TEST(KnownOrgsTable, CategoryCounts) {
    std::map<Category, int> counts;
    for (const auto& row : KnownOrgs::table())
        ++counts[row.category];
    std::map<Category, int> expected{
        {Category::ads, 36},       {Category::service, 23}, {Category::analytics, 21},
        {Category::telemetry, 14}, {Category::cdn, 14},     {Category::social, 13},
        {Category::cloud, 12},     {Category::tracker, 9},  {Category::apple, 9}};
    EXPECT_EQ(counts, expected);
}

TEST(KnownOrgsTable, OnlyTheNamedRowsLieUnderOtherRows) {
    const auto& table = KnownOrgs::table();
    for (size_t child = 1; child <= table.size(); ++child)
        for (size_t parent = 1; parent <= table.size(); ++parent) {
            auto named = parentRows.find(child);
            bool expected = named != parentRows.end() && named->second == parent;
            EXPECT_EQ(isUnder(domain(child), domain(parent)), expected)
                << domain(child) << " under " << domain(parent);
        }
    for (size_t row : orphanHosts) {
        std::string_view host = domain(row);
        EXPECT_GE(std::count(host.begin(), host.end(), '.'), 2) << host;
        EXPECT_EQ(KnownOrgs::lookup("other." + std::string(host.substr(host.find('.') + 1))),
                  std::nullopt)
            << host;
    }
}

TEST(KnownOrgsWatch, TrackingDomainsInTableOrder) {
    auto watched = KnownOrgs::watchDomains();
    ASSERT_EQ(watched.size(), 93u);
    EXPECT_EQ(watched.front(), domain(1));
    EXPECT_EQ(watched[92], domain(106));
    EXPECT_EQ(watched[91], domain(105));
    EXPECT_EQ(watched[48], domain(49));
    EXPECT_EQ(std::count(watched.begin(), watched.end(), std::string(domain(108))), 0);
}

TEST(KnownOrgsLookup, MostSpecificRowWins) {
    struct Case {
        std::string host;
        std::optional<Org> org;
    };
    const Org apple{"Apple", Category::apple};
    const Org google{"Google", Category::service};
    const Org analytics{"Google Analytics", Category::analytics};
    std::vector<Case> cases{
        {"1-courier.push.apple.com", Org{"Apple push", Category::apple}},
        {"push.apple.com", Org{"Apple push", Category::apple}},
        {"cf.xp.apple.com", Org{"Apple metrics", Category::telemetry}},
        {"metrics.icloud.com", Org{"Apple metrics", Category::telemetry}},
        {"p42-contacts.icloud.com", Org{"Apple iCloud", Category::apple}},
        {"www.apple.com", apple},
        {"apple.com", apple},
        {"WWW.Apple.COM", apple},
        {"region1.analytics.google.com", analytics},
        {"www.google-analytics.com", analytics},
        {"www.google.com", google},
        {"adservice.google.com", Org{"Google Ads", Category::ads}},
        {"lhr48s29-in-f14.1e100.net", google},
        {"34.1.2.3.bc.googleusercontent.com", Org{"Google Cloud", Category::cloud}},
        {"lh3.googleusercontent.com", Org{"Google", Category::cloud}},
        {"mc.yandex.ru", Org{"Yandex Metrica", Category::analytics}},
        {"www.yandex.ru", std::nullopt},
        {"notapple.com", std::nullopt},
        {"apple.com.example.org", std::nullopt},
        {"apple", std::nullopt},
        {"com", std::nullopt},
        {"apple.com.", std::nullopt},
        {".apple.com", apple},
        {"", std::nullopt},
    };
    for (const auto& [host, org] : cases)
        EXPECT_EQ(KnownOrgs::lookup(host), org) << host;
}

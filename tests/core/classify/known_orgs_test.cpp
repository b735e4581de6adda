#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/net.h"
#include "classify/known_orgs.h"

TEST(KnownOrgsTable, DomainsAreDistinctValidLowerCaseNamesEachFoundAsItsOwnRow) {
    std::set<std::string_view> seen;
    for (const auto& row : KnownOrgs::table()) {
        EXPECT_TRUE(Net::isValidDomain(row.domain) && Text::toLower(row.domain) == row.domain)
            << row.domain;
        EXPECT_TRUE(seen.insert(row.domain).second) << "duplicate " << row.domain;
        EXPECT_EQ(KnownOrgs::lookup(row.domain), (Org{std::string(row.company), row.category}))
            << row.domain;
    }
}

TEST(KnownOrgsWatch, OnlyTrackingDomainsInTableOrder) {
    const std::vector<std::string> watched = KnownOrgs::watchDomains();
    ASSERT_FALSE(watched.empty());
    EXPECT_EQ(watched.front(), "doubleclick.net");
    for (const std::string& domain : watched)
        EXPECT_TRUE(Categories::isTracking(KnownOrgs::lookup(domain)->category)) << domain;
    EXPECT_EQ(std::count(watched.begin(), watched.end(), "google.com"), 0);
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
        // A row of three labels covers only the names under it, not its parent's other names.
        {"www.yandex.ru", std::nullopt},
        {"other.unity3d.com", std::nullopt},
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

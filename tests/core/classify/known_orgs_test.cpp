// SPDX-License-Identifier: GPL-3.0-or-later
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
    const std::vector<std::string> watched = KnownOrgs::watchDomains();
    EXPECT_FALSE(watched.empty());
    for (const std::string& domain : watched)
        EXPECT_TRUE(Categories::isTracking(KnownOrgs::lookup(domain)->category)) << domain;
}

TEST(KnownOrgsLookup, MostSpecificRowWins) {
    const Org apple{"Apple", Category::apple};
    for (const auto& [host, org] : std::vector<std::pair<std::string, std::optional<Org>>>{
             {"1-courier.push.apple.com", Org{"Apple push", Category::apple}},
             {"cf.xp.apple.com", Org{"Apple metrics", Category::telemetry}},
             {"WWW.Apple.COM", apple},
             {".apple.com", apple},
             {"mc.yandex.ru", Org{"Yandex Metrica", Category::analytics}},
             // A row of three labels covers only the names under it, not its parent's other names.
             {"www.yandex.ru", std::nullopt},
             {"notapple.com", std::nullopt},
             {"apple.com.example.org", std::nullopt},
             {"apple", std::nullopt},
             {"apple.com.", std::nullopt},
             {"", std::nullopt},
         })
        EXPECT_EQ(KnownOrgs::lookup(host), org) << host;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "classify/classifier.h"

namespace {

Verdict verdict(Category category, std::optional<std::string> company = std::nullopt,
                std::optional<std::string> listed = std::nullopt) {
    return {category, std::move(company), std::move(listed)};
}

} // namespace

TEST(Classifier, PrecedenceOfKindsTablesAndLists) {
    const TrackerList trackers("p listed.example\np gstatic.com\na doubleclick.net\n"
                               "p xp.apple.com\np cloudy.example\n");
    const OrgTable orgs("gstatic.com\tads\tShadowed\n"
                        "crashes.google.com\ttelemetry\tGoogle crash reports\n"
                        "vendor.example\tservice\tVendor\n"
                        "crash.vendor.example\ttelemetry\tVendor Crash\n"
                        "cloudy.example\tcloud\tCloudy\n");
    struct Case {
        std::string ip;
        std::optional<std::string> host;
        Verdict expected;
    };
    for (const Case& c : std::vector<Case>{
             {"127.0.0.1", "a.listed.example", verdict(Category::local)},
             {"17.57.146.20", "metrics.xp.apple.com",
              verdict(Category::telemetry, "Apple metrics")},
             {"17.57.146.20", "a.listed.example", verdict(Category::apple, "Apple")},
             {"::ffff:17.57.146.20", std::nullopt, verdict(Category::apple, "Apple")},
             // Apple's network: telemetry named by the table is telemetry, anything else is Apple.
             {"17.57.146.20", "crash.vendor.example", verdict(Category::telemetry, "Vendor Crash")},
             // Only Apple's own network: not the addresses next to it, nor those sharing its
             // digits.
             {"16.255.255.255", std::nullopt, verdict(Category::unknown)},
             {"170.57.146.20", std::nullopt, verdict(Category::unknown)},
             // Apple's IPv6 blocks are not the "17." prefix: the address table decides.
             {"2620:149::1", "nobody.example", verdict(Category::apple, "Apple")},
             // A listed host unknown to the domain tables is a tracker before the address table
             // counts.
             {"104.16.1.1", "x.listed.example",
              verdict(Category::tracker, std::nullopt, "listed.example")},
             {"104.16.1.1", "unlisted.example", verdict(Category::cdn, "Cloudflare")},
             // A listed host of a plain row is raised to tracker but keeps its owner's name; a
             // tracking row stays as it is.
             {"203.0.113.5", "fonts.gstatic.com",
              verdict(Category::tracker, "Google", "gstatic.com")},
             {"203.0.113.5", "ad.doubleclick.net",
              verdict(Category::ads, "Google Ads", "doubleclick.net")},
             // The most specific domain of either table wins, the built-in row for the same
             // domain; a table row beats the address table, as a built-in row does.
             {"203.0.113.5", "eu.crashes.google.com",
              verdict(Category::telemetry, "Google crash reports")},
             {"203.0.113.5", "maps.google.com", verdict(Category::service, "Google")},
             {"104.16.1.1", "www.vendor.example", verdict(Category::service, "Vendor")},
             {"203.0.113.5", "nobody.example", verdict(Category::unknown)},
             {"151.101.1.1", std::nullopt, verdict(Category::cdn, "Fastly")},
         })
        EXPECT_EQ(Classifier::classify(c.ip, c.host, &trackers, &orgs), c.expected)
            << c.ip << " " << c.host.value_or("-");
    // Without a tracker list or table the domain rows decide alone.
    EXPECT_EQ(Classifier::classify("104.16.1.1", "x.cloudy.example", nullptr, &orgs),
              verdict(Category::cloud, "Cloudy"));
    EXPECT_EQ(Classifier::classify("104.16.1.1", "x.listed.example", &trackers, nullptr),
              verdict(Category::tracker, std::nullopt, "listed.example"));
}

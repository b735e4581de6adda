#include <gtest/gtest.h>

#include "classify/classifier.h"

namespace {

const TrackerList& trackers() {
    static const TrackerList list("p listed.example\np gstatic.com\na doubleclick.net\n"
                                  "p xp.apple.com\n");
    return list;
}

Verdict verdict(Category category, std::optional<std::string> company = std::nullopt,
                std::optional<std::string> listed = std::nullopt) {
    return {category, std::move(company), std::move(listed)};
}

struct ClassifyCase {
    std::string ip;
    std::optional<std::string> host;
    Verdict expected;
};

} // namespace

TEST(Classifier, PrecedenceOfKindsTablesAndLists) {
    std::vector<ClassifyCase> cases{
        {"192.168.1.10", std::nullopt, verdict(Category::local)},
        {"127.0.0.1", "a.listed.example", verdict(Category::local)},
        {"17.57.146.20", std::nullopt, verdict(Category::apple, "Apple")},
        {"17.57.146.20", "metrics.xp.apple.com", verdict(Category::telemetry, "Apple metrics")},
        {"17.57.146.20", "a.listed.example", verdict(Category::apple, "Apple")},
        {"::ffff:17.57.146.20", std::nullopt, verdict(Category::apple, "Apple")},
        // Only Apple's own network: not the addresses next to it, nor those sharing its digits.
        {"16.255.255.255", std::nullopt, verdict(Category::unknown)},
        {"170.57.146.20", std::nullopt, verdict(Category::unknown)},
        // Apple's IPv6 blocks are not the "17." prefix: the address table decides.
        {"2620:149::1", "nobody.example", verdict(Category::apple, "Apple")},
        // A listed host unknown to the domain table is a tracker before the address table counts.
        {"104.16.1.1", "x.listed.example",
         verdict(Category::tracker, std::nullopt, "listed.example")},
        {"104.16.1.1", "unlisted.example", verdict(Category::cdn, "Cloudflare")},
        // A listed delivery-network host is raised to tracker but keeps its owner's name.
        {"203.0.113.5", "fonts.gstatic.com", verdict(Category::tracker, "Google", "gstatic.com")},
        {"203.0.113.5", "ad.doubleclick.net",
         verdict(Category::ads, "Google Ads", "doubleclick.net")},
        {"203.0.113.5", "nobody.example", verdict(Category::unknown)},
        {"203.0.113.5", std::nullopt, verdict(Category::unknown)},
        {"151.101.1.1", std::nullopt, verdict(Category::cdn, "Fastly")},
    };
    for (const ClassifyCase& c : cases)
        EXPECT_EQ(Classifier::classify(c.ip, c.host, &trackers()), c.expected)
            << c.ip << " " << c.host.value_or("-");
}

TEST(Classifier, WithoutATrackerListNothingIsListed) {
    EXPECT_EQ(Classifier::classify("203.0.113.5", "fonts.gstatic.com", nullptr),
              verdict(Category::cdn, "Google"));
    EXPECT_EQ(Classifier::classify("104.16.1.1", "x.listed.example", nullptr),
              verdict(Category::cdn, "Cloudflare"));
    EXPECT_EQ(Classifier::classify("203.0.113.5", "nobody.example", nullptr),
              verdict(Category::unknown));
}

TEST(Classifier, TheOrganisationTableCountsOnlyWhereTheBuiltInRowsKnowNothing) {
    const OrgTable orgs("gstatic.com\tads\tShadowed\n"
                        "maps.google.com\tads\tShadowed\n"
                        "vendor.example\tservice\tVendor\n"
                        "assets.vendor.example\tcdn\tVendor\n"
                        "beacon.vendor.example\tanalytics\tVendor Analytics\n"
                        "crash.vendor.example\ttelemetry\tVendor Crash\n"
                        "listed.example\tcloud\tListed Cloud\n");
    std::vector<ClassifyCase> cases{
        // A built-in row beats the table, even a table row more specific than it.
        {"203.0.113.5", "fonts.gstatic.com", verdict(Category::tracker, "Google", "gstatic.com")},
        {"203.0.113.5", "maps.google.com", verdict(Category::service, "Google")},
        // A table row beats the address table, as a built-in row does.
        {"104.16.1.1", "www.vendor.example", verdict(Category::service, "Vendor")},
        {"151.101.1.1", "assets.vendor.example", verdict(Category::cdn, "Vendor")},
        // The tracker list raises a plain table row to tracker, keeping its company, and leaves
        // tracking ones as they are.
        {"104.16.1.1", "x.listed.example",
         verdict(Category::tracker, "Listed Cloud", "listed.example")},
        {"203.0.113.5", "beacon.vendor.example",
         verdict(Category::analytics, "Vendor Analytics", "beacon.vendor.example")},
        // Apple's network: telemetry named by the table is telemetry, anything else is Apple.
        {"17.57.146.20", "crash.vendor.example", verdict(Category::telemetry, "Vendor Crash")},
        {"17.57.146.20", "www.vendor.example", verdict(Category::apple, "Apple")},
        {"192.168.1.10", "www.vendor.example", verdict(Category::local)},
        {"203.0.113.5", "nobody.example", verdict(Category::unknown)},
    };
    const TrackerList listed("p listed.example\np gstatic.com\np beacon.vendor.example\n");
    for (const ClassifyCase& c : cases)
        EXPECT_EQ(Classifier::classify(c.ip, c.host, &listed, &orgs), c.expected)
            << c.ip << " " << c.host.value_or("-");
    // Without a tracker list the table row decides alone.
    EXPECT_EQ(Classifier::classify("104.16.1.1", "x.listed.example", nullptr, &orgs),
              verdict(Category::cloud, "Listed Cloud"));
}

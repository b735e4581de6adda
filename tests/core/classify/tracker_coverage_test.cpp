// The shipped tracker list against a few well-known names: tracking and advertising services are
// listed with everything under them, the services a desktop needs are not, and a listed tracking
// host of a big service does not take the service's other hosts along.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/resources.h"
#include "classify/tracker_list.h"

namespace {

const TrackerList& shipped() {
    static const TrackerList list = [] {
        TrackerList loaded;
        if (Result<void> read = loaded.loadFile(Resources::path("trackers.txt")); !read)
            ADD_FAILURE() << read.error().message;
        return loaded;
    }();
    return list;
}

} // namespace

TEST(TrackerCoverage, ListsTheWellKnownTrackersAndEverythingUnderThem) {
    ASSERT_GT(shipped().count(), 50000u);
    EXPECT_EQ(shipped().domains().at("demdex.net"), 'p');
    EXPECT_EQ(shipped().domains().at("adnxs.com"), 'a');
    for (const char* host : {"www.google-analytics.com", "sb.scorecardresearch.com",
                             "script.hotjar.com", "ad.doubleclick.net", "bidder.criteo.com",
                             "ib.adnxs.com", "dpm.demdex.net", "app.adjust.com",
                             // Tracking hosts of big services, whose other hosts stay unlisted.
                             "bat.bing.com", "mc.yandex.ru", "firebaselogging-pa.googleapis.com"}) {
        EXPECT_TRUE(shipped().match(host)) << host;
        EXPECT_TRUE(shipped().match("any.label." + std::string(host))) << host;
    }
}

TEST(TrackerCoverage, LeavesTheServicesADesktopNeedsUnlisted) {
    ASSERT_GT(shipped().count(), 0u);
    for (const char* host :
         {"deb.debian.org", "security.ubuntu.com", "dl.flathub.org", "api.github.com",
          "raw.githubusercontent.com", "files.pythonhosted.org", "cdnjs.cloudflare.com",
          "s3.amazonaws.com", "cdn.jsdelivr.net", "web.telegram.org", "chat.signal.org",
          "download.mozilla.org", "ocsp.digicert.com", "pool.ntp.org", "fonts.gstatic.com",
          // The services whose tracking hosts are listed.
          "bing.com", "www.bing.com", "yandex.ru", "mail.yandex.ru", "googleapis.com",
          "www.googleapis.com"})
        EXPECT_EQ(shipped().match(host), std::nullopt) << host;
}

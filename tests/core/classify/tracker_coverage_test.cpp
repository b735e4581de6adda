// The shipped tracker list against well-known names: the big tracking and advertising services
// are listed with everything under them, the services a desktop needs are not, and a listed
// tracking host of a big service does not take the service's other hosts along.
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

// A tracking domain and one of its real hosts.
using Tracker = std::pair<std::string, std::string>;

} // namespace

TEST(TrackerCoverage, ListsTheWellKnownTrackersAndTheirHosts) {
    ASSERT_GT(shipped().count(), 0u);
    const std::vector<Tracker> trackers = {
        // Analytics, tag managers and session recording.
        {"google-analytics.com", "www.google-analytics.com"},
        {"googletagmanager.com", "www.googletagmanager.com"},
        {"scorecardresearch.com", "sb.scorecardresearch.com"},
        {"quantserve.com", "pixel.quantserve.com"},
        {"hotjar.com", "script.hotjar.com"},
        {"mixpanel.com", "api-js.mixpanel.com"},
        {"segment.io", "api.segment.io"},
        {"segment.com", "cdn.segment.com"},
        {"amplitude.com", "api2.amplitude.com"},
        {"chartbeat.com", "static.chartbeat.com"},
        {"nr-data.net", "bam.nr-data.net"},
        {"fullstory.com", "edge.fullstory.com"},
        {"heapanalytics.com", "cdn.heapanalytics.com"},
        {"crazyegg.com", "script.crazyegg.com"},
        {"mouseflow.com", "cdn.mouseflow.com"},
        {"clarity.ms", "www.clarity.ms"},
        {"statcounter.com", "c.statcounter.com"},
        {"omtrdc.net", "metrics.sc.omtrdc.net"},
        // Advertising, exchanges and ad measurement.
        {"doubleclick.net", "ad.doubleclick.net"},
        {"googleadservices.com", "www.googleadservices.com"},
        {"criteo.com", "bidder.criteo.com"},
        {"criteo.net", "static.criteo.net"},
        {"taboola.com", "cdn.taboola.com"},
        {"outbrain.com", "widgets.outbrain.com"},
        {"adnxs.com", "ib.adnxs.com"},
        {"rubiconproject.com", "fastlane.rubiconproject.com"},
        {"pubmatic.com", "ads.pubmatic.com"},
        {"openx.net", "us-u.openx.net"},
        {"amazon-adsystem.com", "aax.amazon-adsystem.com"},
        {"moatads.com", "z.moatads.com"},
        {"adsrvr.org", "match.adsrvr.org"},
        {"casalemedia.com", "dsum-sec.casalemedia.com"},
        {"adform.net", "track.adform.net"},
        {"adsafeprotected.com", "pixel.adsafeprotected.com"},
        {"doubleverify.com", "cdn.doubleverify.com"},
        {"adroll.com", "d.adroll.com"},
        {"media.net", "contextual.media.net"},
        {"teads.tv", "a.teads.tv"},
        // Data brokers, identity syncing and mobile attribution.
        {"demdex.net", "dpm.demdex.net"},
        {"krxd.net", "cdn.krxd.net"},
        {"bluekai.com", "tags.bluekai.com"},
        {"mathtag.com", "pixel.mathtag.com"},
        {"rlcdn.com", "idsync.rlcdn.com"},
        {"tapad.com", "pixel.tapad.com"},
        {"agkn.com", "aa.agkn.com"},
        {"liadm.com", "rp.liadm.com"},
        {"addthis.com", "s7.addthis.com"},
        {"branch.io", "api2.branch.io"},
        {"adjust.com", "app.adjust.com"},
        {"kochava.com", "control.kochava.com"},
    };
    for (const auto& [domain, host] : trackers) {
        EXPECT_TRUE(shipped().match(domain)) << domain;
        EXPECT_TRUE(shipped().match(host)) << host;
        EXPECT_TRUE(shipped().match("any.label." + host)) << host;
    }
}

TEST(TrackerCoverage, LeavesTheServicesADesktopNeedsUnlisted) {
    ASSERT_GT(shipped().count(), 0u);
    const std::vector<std::string> hosts = {
        // Distribution mirrors and application stores.
        "debian.org",
        "deb.debian.org",
        "security.debian.org",
        "ftp.debian.org",
        "ubuntu.com",
        "archive.ubuntu.com",
        "security.ubuntu.com",
        "ports.ubuntu.com",
        "launchpad.net",
        "ppa.launchpadcontent.net",
        "snapcraft.io",
        "api.snapcraft.io",
        "fedoraproject.org",
        "mirrors.fedoraproject.org",
        "dl.fedoraproject.org",
        "download.opensuse.org",
        "archlinux.org",
        "geo.mirror.pkgbuild.com",
        "flathub.org",
        "dl.flathub.org",
        // Code hosts and package registries.
        "github.com",
        "api.github.com",
        "codeload.github.com",
        "githubusercontent.com",
        "raw.githubusercontent.com",
        "objects.githubusercontent.com",
        "gitlab.com",
        "registry.gitlab.com",
        "bitbucket.org",
        "codeberg.org",
        "sourceforge.net",
        "downloads.sourceforge.net",
        "pypi.org",
        "files.pythonhosted.org",
        "registry.npmjs.org",
        "crates.io",
        "static.crates.io",
        "proxy.golang.org",
        // Delivery networks and clouds.
        "cloudflare.com",
        "cdnjs.cloudflare.com",
        "cloudflare.net",
        "fastly.net",
        "global.ssl.fastly.net",
        "akamaized.net",
        "akamaihd.net",
        "akamai.net",
        "akamaiedge.net",
        "edgekey.net",
        "edgesuite.net",
        "cloudfront.net",
        "amazonaws.com",
        "s3.amazonaws.com",
        "jsdelivr.net",
        "cdn.jsdelivr.net",
        // Messaging and calls.
        "telegram.org",
        "web.telegram.org",
        "t.me",
        "signal.org",
        "chat.signal.org",
        "updates.signal.org",
        "matrix.org",
        "matrix-client.matrix.org",
        "element.io",
        "discord.com",
        "gateway.discord.gg",
        "cdn.discordapp.com",
        "whatsapp.net",
        "g.whatsapp.net",
        "web.whatsapp.com",
        "slack.com",
        "zoom.us",
        // System services: browsers' updates, certificates, time, fonts.
        "mozilla.org",
        "download.mozilla.org",
        "addons.mozilla.org",
        "kernel.org",
        "gnome.org",
        "kde.org",
        "letsencrypt.org",
        "ocsp.digicert.com",
        "pool.ntp.org",
        "fonts.googleapis.com",
        "fonts.gstatic.com",
        "wikipedia.org",
        "en.wikipedia.org",
    };
    for (const std::string& host : hosts)
        EXPECT_EQ(shipped().match(host), std::nullopt) << host;
}

TEST(TrackerCoverage, ATrackingHostOfABigServiceLeavesTheServiceUnlisted) {
    ASSERT_GT(shipped().count(), 0u);
    // A listed tracking host, then its service's domain and another host of that service.
    const std::vector<std::vector<std::string>> services = {
        {"bat.bing.com", "bing.com", "www.bing.com"},
        {"mc.yandex.ru", "yandex.ru", "mail.yandex.ru"},
        {"analytics.tiktok.com", "tiktok.com", "www.tiktok.com"},
        {"ads.linkedin.com", "linkedin.com", "www.linkedin.com"},
        {"firebaselogging-pa.googleapis.com", "googleapis.com", "www.googleapis.com"},
        {"stats.wp.com", "wp.com", "i0.wp.com"},
    };
    for (const std::vector<std::string>& service : services) {
        EXPECT_EQ(shipped().match(service[0]), service[0]);
        for (size_t i = 1; i < service.size(); ++i)
            EXPECT_EQ(shipped().match(service[i]), std::nullopt) << service[i];
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "classify/known_orgs.h"

#include <unordered_map>

#include "base/text.h"

namespace {

constexpr std::array<KnownOrgs::Row, KnownOrgs::rowCount> rows{{
    {"doubleclick.net", "Google Ads", Category::ads},
    {"googlesyndication.com", "Google Ads", Category::ads},
    {"googleadservices.com", "Google Ads", Category::ads},
    {"adservice.google.com", "Google Ads", Category::ads},
    {"admob.com", "Google AdMob", Category::ads},
    {"app-measurement.com", "Google Firebase Analytics", Category::analytics},
    {"applovin.com", "AppLovin", Category::ads},
    {"applvn.com", "AppLovin", Category::ads},
    {"unityads.unity3d.com", "Unity Ads", Category::ads},
    {"ironsrc.com", "ironSource", Category::ads},
    {"ironsrc.mobi", "ironSource", Category::ads},
    {"supersonicads.com", "ironSource", Category::ads},
    {"vungle.com", "Vungle / Liftoff", Category::ads},
    {"liftoff.io", "Liftoff", Category::ads},
    {"chartboost.com", "Chartboost", Category::ads},
    {"inmobi.com", "InMobi", Category::ads},
    {"adcolony.com", "AdColony", Category::ads},
    {"criteo.com", "Criteo", Category::ads},
    {"criteo.net", "Criteo", Category::ads},
    {"taboola.com", "Taboola", Category::ads},
    {"outbrain.com", "Outbrain", Category::ads},
    {"adnxs.com", "Xandr (Microsoft Ads)", Category::ads},
    {"rubiconproject.com", "Magnite", Category::ads},
    {"pubmatic.com", "PubMatic", Category::ads},
    {"openx.net", "OpenX", Category::ads},
    {"amazon-adsystem.com", "Amazon Ads", Category::ads},
    {"moatads.com", "Oracle Moat", Category::ads},
    {"smaato.net", "Smaato", Category::ads},
    {"mopub.com", "MoPub", Category::ads},
    {"yandexadexchange.net", "Yandex Ads", Category::ads},
    {"an.yandex.ru", "Yandex Ads", Category::ads},
    {"ads.linkedin.com", "LinkedIn Ads", Category::ads},
    {"ads-twitter.com", "X (Twitter) Ads", Category::ads},
    {"ads.tiktok.com", "TikTok Ads", Category::ads},
    {"bidswitch.net", "BidSwitch", Category::ads},
    {"casalemedia.com", "Index Exchange", Category::ads},
    {"adsrvr.org", "The Trade Desk", Category::ads},
    {"appsflyer.com", "AppsFlyer", Category::tracker},
    {"appsflyersdk.com", "AppsFlyer", Category::tracker},
    {"adjust.com", "Adjust", Category::tracker},
    {"adjust.io", "Adjust", Category::tracker},
    {"branch.io", "Branch", Category::tracker},
    {"app.link", "Branch", Category::tracker},
    {"kochava.com", "Kochava", Category::tracker},
    {"singular.net", "Singular", Category::tracker},
    {"tenjin.com", "Tenjin", Category::tracker},
    {"google-analytics.com", "Google Analytics", Category::analytics},
    {"googletagmanager.com", "Google Tag Manager", Category::analytics},
    {"analytics.google.com", "Google Analytics", Category::analytics},
    {"firebaselogging-pa.googleapis.com", "Google Firebase", Category::analytics},
    {"mixpanel.com", "Mixpanel", Category::analytics},
    {"amplitude.com", "Amplitude", Category::analytics},
    {"segment.com", "Segment", Category::analytics},
    {"segment.io", "Segment", Category::analytics},
    {"hotjar.com", "Hotjar", Category::analytics},
    {"fullstory.com", "FullStory", Category::analytics},
    {"heap.io", "Heap", Category::analytics},
    {"heapanalytics.com", "Heap", Category::analytics},
    {"posthog.com", "PostHog", Category::analytics},
    {"braze.com", "Braze", Category::analytics},
    {"appboy.com", "Braze", Category::analytics},
    {"onesignal.com", "OneSignal", Category::analytics},
    {"clarity.ms", "Microsoft Clarity", Category::analytics},
    {"mc.yandex.ru", "Yandex Metrica", Category::analytics},
    {"appmetrica.yandex.net", "Yandex AppMetrica", Category::analytics},
    {"newrelic.com", "New Relic", Category::telemetry},
    {"nr-data.net", "New Relic", Category::telemetry},
    {"datadoghq.com", "Datadog", Category::telemetry},
    {"sentry.io", "Sentry", Category::telemetry},
    {"bugsnag.com", "Bugsnag", Category::telemetry},
    {"crashlytics.com", "Firebase Crashlytics", Category::telemetry},
    {"statsig.com", "Statsig", Category::analytics},
    {"launchdarkly.com", "LaunchDarkly", Category::service},
    {"intercom.io", "Intercom", Category::service},
    {"vortex.data.microsoft.com", "Microsoft telemetry", Category::telemetry},
    {"events.data.microsoft.com", "Microsoft telemetry", Category::telemetry},
    {"telemetry.mozilla.org", "Mozilla telemetry", Category::telemetry},
    {"incoming.telemetry.mozilla.org", "Mozilla telemetry", Category::telemetry},
    {"browser-intake-datadoghq.com", "Datadog", Category::telemetry},
    {"dc.services.visualstudio.com", "Microsoft telemetry", Category::telemetry},
    {"graph.facebook.com", "Meta (Facebook)", Category::social},
    {"facebook.com", "Meta (Facebook)", Category::social},
    {"facebook.net", "Meta (Facebook)", Category::social},
    {"fbcdn.net", "Meta (Facebook)", Category::social},
    {"instagram.com", "Meta (Instagram)", Category::social},
    {"tiktok.com", "TikTok", Category::social},
    {"tiktokv.com", "TikTok", Category::social},
    {"byteoversea.com", "ByteDance", Category::social},
    {"snapchat.com", "Snap", Category::social},
    {"twitter.com", "X (Twitter)", Category::social},
    {"x.com", "X (Twitter)", Category::social},
    {"linkedin.com", "LinkedIn", Category::social},
    {"vk.com", "VK", Category::social},
    {"whatsapp.net", "WhatsApp", Category::service},
    {"telegram.org", "Telegram", Category::service},
    {"apple.com", "Apple", Category::apple},
    {"icloud.com", "Apple iCloud", Category::apple},
    {"icloud-content.com", "Apple iCloud", Category::apple},
    {"mzstatic.com", "Apple", Category::apple},
    {"apple-cloudkit.com", "Apple iCloud", Category::apple},
    {"cdn-apple.com", "Apple", Category::apple},
    {"aaplimg.com", "Apple", Category::apple},
    {"apple-dns.net", "Apple", Category::apple},
    {"push.apple.com", "Apple push", Category::apple},
    {"metrics.icloud.com", "Apple metrics", Category::telemetry},
    {"xp.apple.com", "Apple metrics", Category::telemetry},
    {"1e100.net", "Google", Category::service},
    {"google.com", "Google", Category::service},
    {"googleapis.com", "Google", Category::service},
    {"gstatic.com", "Google", Category::cdn},
    {"googleusercontent.com", "Google", Category::cloud},
    {"youtube.com", "YouTube", Category::service},
    {"microsoft.com", "Microsoft", Category::service},
    {"live.com", "Microsoft", Category::service},
    {"office.com", "Microsoft", Category::service},
    {"msedge.net", "Microsoft", Category::cdn},
    {"azureedge.net", "Microsoft Azure", Category::cdn},
    {"cloudapp.azure.com", "Microsoft Azure", Category::cloud},
    {"github.com", "GitHub", Category::service},
    {"githubusercontent.com", "GitHub", Category::cdn},
    {"anthropic.com", "Anthropic", Category::service},
    {"claude.ai", "Anthropic", Category::service},
    {"openai.com", "OpenAI", Category::service},
    {"slack.com", "Slack", Category::service},
    {"zoom.us", "Zoom", Category::service},
    {"dropbox.com", "Dropbox", Category::service},
    {"spotify.com", "Spotify", Category::service},
    {"tailscale.com", "Tailscale", Category::service},
    {"ts.net", "Tailscale", Category::service},
    {"cursor.com", "Cursor", Category::service},
    {"cursor.sh", "Cursor", Category::service},
    {"amazonaws.com", "Amazon Web Services", Category::cloud},
    {"cloudfront.net", "Amazon CloudFront", Category::cdn},
    {"akamaitechnologies.com", "Akamai", Category::cdn},
    {"akamaiedge.net", "Akamai", Category::cdn},
    {"akamai.net", "Akamai", Category::cdn},
    {"edgekey.net", "Akamai", Category::cdn},
    {"edgesuite.net", "Akamai", Category::cdn},
    {"cloudflare.com", "Cloudflare", Category::cdn},
    {"cloudflare.net", "Cloudflare", Category::cdn},
    {"fastly.net", "Fastly", Category::cdn},
    {"fastlylb.net", "Fastly", Category::cdn},
    {"bc.googleusercontent.com", "Google Cloud", Category::cloud},
    {"digitaloceanspaces.com", "DigitalOcean", Category::cloud},
    {"hetzner.com", "Hetzner", Category::cloud},
    {"your-server.de", "Hetzner", Category::cloud},
    {"ovh.net", "OVH", Category::cloud},
    {"linode.com", "Linode", Category::cloud},
    {"supabase.co", "Supabase", Category::cloud},
    {"vercel.app", "Vercel", Category::cloud},
    {"workers.dev", "Cloudflare Workers", Category::cloud},
}};

// Domain to organisation, built once; keys view the literals of `rows`.
const std::unordered_map<std::string_view, Org>& index() {
    static const std::unordered_map<std::string_view, Org> byDomain = [] {
        std::unordered_map<std::string_view, Org> result;
        result.reserve(rows.size());
        for (const KnownOrgs::Row& row : rows)
            result.insert_or_assign(row.domain, Org{std::string(row.company), row.category});
        return result;
    }();
    return byDomain;
}

} // namespace

namespace KnownOrgs {

const std::array<Row, rowCount>& table() {
    return rows;
}

std::optional<Org> exact(std::string_view domain) {
    auto found = index().find(domain);
    if (found == index().end()) return std::nullopt;
    return found->second;
}

std::optional<Org> lookup(std::string_view host) {
    return mostSpecific(host, exact);
}

std::vector<std::string> watchDomains() {
    std::vector<std::string> domains;
    for (const Row& row : rows)
        if (Categories::isTracking(row.category)) domains.emplace_back(row.domain);
    return domains;
}

} // namespace KnownOrgs

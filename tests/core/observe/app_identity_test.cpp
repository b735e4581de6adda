// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/lang.h"
#include "observe/app_identity.h"
#include "observe/system_names.h"
#include "scoped_env.h"

namespace {

struct IdentityCase {
    std::optional<std::string> path;
    std::string fallback;
    std::string name;
    std::optional<std::string> bundlePath;
    bool isSystem;
};

// Each case's identity on `platform`; the executable path is kept whenever one is given.
void expectIdentities(const std::vector<IdentityCase>& cases,
                      const platform::Descriptor& platform) {
    for (const IdentityCase& c : cases) {
        AppIdentity identity = AppIdentity::from(c.path, c.fallback, Lang::en, platform);
        std::optional<std::string> exePath = c.path && !c.path->empty() ? c.path : std::nullopt;
        EXPECT_EQ(identity, (AppIdentity{c.name, c.bundlePath, exePath, c.isSystem}))
            << c.path.value_or("(none)");
    }
}

} // namespace

TEST(Identity, MacPathsFollowTheBundleAndPrefixRules) {
    expectIdentities(
        {
            {"/Applications/Editor.app/Contents/MacOS/Editor", "Editor", "Editor",
             "/Applications/Editor.app", false},
            {"/Applications/Editor.app/Contents/Frameworks/Editor Helper.app/Contents/MacOS/Editor "
             "Helper",
             "Editor Helper", "Editor", "/Applications/Editor.app", false},
            {"/System/Applications/Mail.app/Contents/MacOS/Mail", "Mail", "Mail",
             "/System/Applications/Mail.app", true},
            {"/usr/sbin/mDNSResponder", "mDNSResponder", "Name lookup (DNS)", std::nullopt, true},
            {"/System/Library/Frameworks/WebKit.framework/Versions/A/XPCServices/"
             "com.apple.WebKit.Networking.xpc/Contents/MacOS/com.apple.WebKit.Networking",
             "com.apple.WebKit.Networking", "WebKit (Safari, Mail, web views)", std::nullopt, true},
            {"/Library/SystemExtensions/1A2B/com.example.netfilter.systemextension/Contents/MacOS/"
             "com.example.netfilter",
             "com.example.netfilter", "Example", std::nullopt, false},
            {"/Users/u/Ext/com.example.share.appex/Contents/MacOS/share", "share", "Example",
             std::nullopt, false},
            {"/usr/local/bin/node", "node", "node", std::nullopt, true},
            {"/opt/tools/sync-agent", "sync-agent", "sync-agent", std::nullopt, false},
            {"///", "com.example.x", "Example", std::nullopt, false},
            {std::nullopt, "trustd", "Certificate checks (macOS)", std::nullopt, false},
            {std::nullopt, "org.example.agent", "Example", std::nullopt, false},
            {"", "org.example.agent", "Example", std::nullopt, false},
        },
        platform::macos());
}

TEST(Identity, LinuxPrefixesAndPackages) {
    expectIdentities(
        {
            {"/usr/lib/systemd/systemd-resolved", "x", "Name lookup (DNS)", std::nullopt, true},
            {"/usr/bin/firefox", "firefox", "firefox", std::nullopt, false},
            {"/usr/local/bin/node", "node", "node", std::nullopt, false},
            {"/snap/firefox/4173/usr/lib/firefox/firefox", "x", "firefox", std::nullopt, false},
            {"/app/bin/tool", "org.example.Tool", "Example", std::nullopt, false},
            // A folder named like a macOS bundle names nothing here.
            {"/home/u/firefox.app/tool", "tool", "tool", std::nullopt, false},
            // The cut process name of a Linux daemon is known too.
            {std::nullopt, "systemd-timesyn", "Clock sync", std::nullopt, false},
        },
        platform::linux());
}

TEST(Identity, ReadableNames) {
    std::vector<std::pair<std::string, std::string>> cases{
        {"com.example.tool", "Example"},          {"io.example", "io.example"},
        {"com.apple.geod", "com.apple.geod"},     {"de.example.tool", "de.example.tool"},
        {"COM.example.tool", "COM.example.tool"}, {"net.example", "net.example"},
        {"dev..example..x", "Example"},           {"app.1password.x", "1password"}};
    for (const auto& [name, readable] : cases)
        EXPECT_EQ(AppIdentity::readable(name), readable);
}

TEST(Identity, FriendlyNamesFollowTheLanguage) {
    const std::string webKit = "WebKit (Safari, Mail, web views)";
    EXPECT_EQ(SystemNames::friendly("com.apple.WebKit.Networking.1A", Lang::en), webKit);
    EXPECT_EQ(SystemNames::friendly("com.apple.WebKit.Netwo", Lang::en), webKit);
    EXPECT_EQ(SystemNames::friendly("mdnsresponder", Lang::en), std::nullopt);
    EXPECT_EQ(SystemNames::friendly("nesessionmanage", Lang::en),
              SystemNames::friendly("nesessionmanager", Lang::en));
    EXPECT_EQ(SystemNames::friendly("com.apple.WebKit.Networking", Lang::ru),
              "WebKit (Safari, Почта, встроенные окна)");
}

TEST(Platform, ReadsThisProcessPathAndTheLanguagesFromTheEnvironment) {
    EXPECT_TRUE(pidPath(getpid(), platform::linux()).value_or("").ends_with("/core_tests"));
    EXPECT_EQ(pidPath(-1, platform::linux()), std::nullopt);
    EXPECT_EQ(pidPath(0, platform::linux()), std::nullopt);
    ScopedEnv all("LC_ALL", ""), lang("LANG", "ru_RU.UTF-8");
    for (const auto& [language, messages, expected] :
         std::vector<std::tuple<const char*, const char*, std::vector<std::string>>>{
             {"ru_RU::en", "", {"ru_RU", "en"}},
             {"", "en_GB.UTF-8", {"en_GB.UTF-8"}},
             {"", "", {"ru_RU.UTF-8"}}}) {
        ScopedEnv languages("LANGUAGE", language), messageLanguage("LC_MESSAGES", messages);
        EXPECT_EQ(platform::linux().preferredLanguages(), expected) << language << messages;
    }
    EXPECT_EQ(&platform::current(), &platform::linux());
}

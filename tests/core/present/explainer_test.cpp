// SPDX-License-Identifier: GPL-3.0-or-later
#include <set>

#include <gtest/gtest.h>

#include "classify/public_suffixes.h"
#include "present/explainer.h"

using platform::Wording;

namespace {

Verdict company(Category category) {
    return {category, "Acme", std::nullopt};
}

} // namespace

TEST(Explainer, EachCategoryHasASentenceOfItsOwnInBothLanguages) {
    std::set<std::string> seen;
    for (Category category : Categories::allCases)
        for (Lang lang : {Lang::en, Lang::ru}) {
            const std::string text = Explainer::sentence("App", company(category), "h.example",
                                                         "203.0.113.5", lang, Wording::macos);
            EXPECT_NE(text.find(lang == Lang::ru ? "«App»" : "“App”"), std::string::npos) << text;
            // Only the local network and Apple's services go without the party's name.
            const bool named = category != Category::local && category != Category::apple;
            EXPECT_EQ(text.find("Acme") != std::string::npos, named) << text;
            EXPECT_TRUE(seen.insert(text).second) << text;
        }
    EXPECT_EQ(Explainer::sentence("App", company(Category::cdn), std::nullopt, "1", Lang::ru),
              "«App» загружает файлы через сеть доставки Acme — обычно это картинки, обновления, "
              "страницы.");
    EXPECT_EQ(Explainer::sentence("App", company(Category::system), std::nullopt, "1", Lang::en,
                                  Wording::macos),
              "macOS service “App” talks to Acme.");
    EXPECT_EQ(Explainer::label(Category::cdn, Lang::en), "CDN");
    EXPECT_EQ(Explainer::label(Category::cdn, Lang::ru), "Загрузки");
}

TEST(Explainer, LinuxNamesTheComputerAndSystemServices) {
    Verdict local{Category::local, std::nullopt, std::nullopt};
    EXPECT_EQ(Explainer::sentence("ssh", local, std::nullopt, "10.0.0.1", Lang::ru, Wording::linux),
              "«ssh» связывается с устройством в вашей сети или на этом компьютере.");
    Verdict system{Category::system, std::nullopt, std::nullopt};
    EXPECT_EQ(Explainer::sentence("Clock sync", system, "ntp.example", "203.0.113.5", Lang::en,
                                  Wording::linux),
              "System service “Clock sync” talks to ntp.example.");
    EXPECT_EQ(Explainer::sentence("Clock sync", system, "ntp.example", "203.0.113.5", Lang::ru,
                                  Wording::linux),
              "Системная служба «Clock sync» связывается с ntp.example.");
    // The other sentences are the same on both systems.
    EXPECT_EQ(Explainer::sentence("A", company(Category::ads), std::nullopt, "1", Lang::en,
                                  Wording::linux),
              Explainer::sentence("A", company(Category::ads), std::nullopt, "1", Lang::en,
                                  Wording::macos));
}

TEST(Explainer, PartyIsCompanyThenHostThenAddress) {
    Verdict tracker{Category::tracker, std::nullopt, "t.example"};
    EXPECT_EQ(Explainer::sentence("App", tracker, "x.t.example", "203.0.113.5", Lang::en),
              "“App” talks to x.t.example, which is on public lists of trackers and ads.");
    Verdict unknown{Category::unknown, std::nullopt, std::nullopt};
    Verdict cdn{Category::cdn, "Akamai", std::nullopt};
    EXPECT_NE(Explainer::sentence("App", cdn, "a.example", "1", Lang::en).find("Akamai's "),
              std::string::npos);
    Verdict apple{Category::apple, "Apple", std::nullopt};
    for (Lang lang : {Lang::en, Lang::ru})
        EXPECT_EQ(Explainer::sentence("App", apple, "push.example", "17.1.1.1", lang)
                      .find("push.example"),
                  std::string::npos);
    EXPECT_EQ(Explainer::sentence("", unknown, std::nullopt, "::1", Lang::ru),
              "«» связывается с ::1; кто это — неизвестно.");
}

// Nobody known: a long host name is told by its registrable domain from the system's public suffix
// list; a host that is its own registrable domain, and an address, read as before.
TEST(Explainer, AnUnknownHostIsNamedByItsRegistrableDomain) {
    if (PublicSuffixes::system().empty()) GTEST_SKIP() << "no public suffix list on this system";
    Verdict unknown{Category::unknown, std::nullopt, std::nullopt};
    const std::optional<std::string> home = "p5dc1a2b3.dip0.t-ipconnect.de";
    EXPECT_EQ(Explainer::sentence("App", unknown, home, "203.0.113.5", Lang::en),
              "“App” talks to a server under t-ipconnect.de; we don't know who runs it.");
    EXPECT_EQ(
        Explainer::sentence("App", unknown, home, "203.0.113.5", Lang::ru),
        "«App» связывается с сервером в домене t-ipconnect.de; кто им управляет — неизвестно.");
    EXPECT_EQ(Explainer::sentence("App", unknown, "shop.example.co.uk", "1", Lang::en),
              "“App” talks to a server under example.co.uk; we don't know who runs it.");
    for (const char* host : {"t-ipconnect.de", "user.github.io"})
        EXPECT_EQ(Explainer::sentence("App", unknown, std::string(host), "1", Lang::en),
                  "“App” talks to " + std::string(host) + "; we don't know who that is.");
    // A named company or another category keeps its own sentence.
    Verdict tracker{Category::tracker, std::nullopt, "t-ipconnect.de"};
    EXPECT_NE(Explainer::sentence("App", tracker, home, "1", Lang::en).find(*home),
              std::string::npos);
}

// A connection the program accepted says who connected, whatever their category.
TEST(Explainer, AnAcceptedConnectionSaysWhoConnected) {
    Connection accepted;
    accepted.app = {"sshd"};
    accepted.ip = "203.0.113.5";
    accepted.verdict = {Category::ads, std::nullopt, std::nullopt};
    accepted.incoming = true;
    EXPECT_EQ(Explainer::sentence(accepted, Lang::en),
              "“sshd” accepted a connection from 203.0.113.5.");
    accepted.host = "scanner.example";
    accepted.verdict.company = "Acme Ads";
    EXPECT_EQ(Explainer::sentence(accepted, Lang::ru), "«sshd» принимает соединение от Acme Ads.");
    accepted.incoming = false;
    EXPECT_EQ(Explainer::sentence(accepted, Lang::en),
              "“sshd” is sending data to the ad network Acme Ads.");
}

// A program known by its user alone, or not at all, is described, never quoted; a service is
// quoted by its unit's name.
TEST(Explainer, ProgramsWithoutAProcessAreDescribed) {
    Verdict ads{Category::ads, "Acme Ads", std::nullopt};
    struct Case {
        AppIdentity app;
        std::string en;
        std::string ru;
    };
    for (const Case& c : {
             Case{AppIdentity::ofUser("bob", Lang::en),
                  "A program of user bob is sending data to the ad network Acme Ads.",
                  "Программа пользователя bob отправляет данные рекламной сети Acme Ads."},
             Case{AppIdentity::unseen(Lang::en),
                  "A program that closed the connection before it could be seen is sending data "
                  "to the ad network Acme Ads.",
                  "Программа, закрывшая соединение раньше, чем её увидели, отправляет данные "
                  "рекламной сети Acme Ads."},
             Case{AppIdentity::unknown(Lang::en),
                  "An unknown program is sending data to the ad network Acme Ads.",
                  "Неизвестная программа отправляет данные рекламной сети Acme Ads."},
             Case{AppIdentity::ofUnit("cups.service", "CUPS", true),
                  "“CUPS (cups.service)” is sending data to the ad network Acme Ads.",
                  "«CUPS (cups.service)» отправляет данные рекламной сети Acme Ads."},
         }) {
        EXPECT_EQ(Explainer::sentence(c.app, ads, std::nullopt, "1", Lang::en), c.en);
        EXPECT_EQ(Explainer::sentence(c.app, ads, std::nullopt, "1", Lang::ru), c.ru);
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/atomic_file.h"
#include "present/app_texts.h"
#include "test_paths.h"

using platform::Wording;

TEST(AppTexts, NotificationsAndQuestionsInBothLanguages) {
    EXPECT_EQ(AppTexts::blockedTitle(Lang::en), "Blocked a new connection");
    EXPECT_EQ(AppTexts::blockedTitle(Lang::ru), "Запрещено новое соединение");
    EXPECT_EQ(AppTexts::blockedBody("Mail", "ads.example", Lang::ru),
              "«Mail» пыталась связаться с ads.example.");
    EXPECT_EQ(AppTexts::trackerTitle(), "Nattervane");
    // A question has no full stop; a program known by its executable may also be blocked from
    // the destination alone.
    EXPECT_EQ(
        AppTexts::connectionQuestion("Mail", "x.example", "Why.", false, Lang::en),
        (Question{"“Mail” wants to reach x.example", "Why.", {"Allow", "Block", "Ask next time"}}));
    EXPECT_EQ(AppTexts::connectionQuestion("Mail", "x.example", "Почему.", true, Lang::ru),
              (Question{"«Mail» хочет связаться с x.example",
                        "Почему.",
                        {"Разрешить", "Запретить", "Запретить только этой программе",
                         "Спросить в следующий раз"}}));
}

TEST(AppTexts, HelperTextsNameTheSystemsFirewall) {
    Question mac = AppTexts::helperOffer(Lang::en, Wording::macos);
    EXPECT_EQ(mac.informative,
              "To actually stop connections, Nattervane adds rules to the Mac's built-in firewall "
              "(pf) and to /etc/hosts. macOS will ask for your administrator password once. You "
              "can remove everything with one button in Settings.");
    EXPECT_EQ(mac.buttons, (std::vector<std::string>{"Turn on", "Not now"}));
    Question ru = AppTexts::helperOffer(Lang::ru, Wording::macos);
    EXPECT_EQ(ru.message, "Включить блокировку?");
    EXPECT_EQ(ru.buttons, (std::vector<std::string>{"Включить", "Не сейчас"}));
    for (Lang lang : {Lang::en, Lang::ru}) {
        std::string linux = AppTexts::helperOffer(lang, Wording::linux).informative;
        EXPECT_EQ(linux.find("Mac"), std::string::npos) << linux;
        EXPECT_NE(linux.find("(nftables)"), std::string::npos) << linux;
        EXPECT_EQ(AppTexts::adminPrompt(lang, Wording::linux).find("Mac"), std::string::npos);
    }
    EXPECT_EQ(AppTexts::adminPrompt(Lang::en, Wording::macos),
              "Nattervane wants to change the Mac's firewall rules.");
    EXPECT_EQ(AppTexts::adminPrompt(Lang::ru, Wording::macos),
              "Nattervane хочет изменить правила встроенного фильтра Mac.");
}

// pkexec shows the message of the polkit action, not the program's own prompt: the two say the
// same in both languages.
TEST(AppTexts, ThePolkitActionsShowTheAdministratorPrompt) {
    const std::string policy =
        AtomicFile::read(std::string(TestPaths::data) +
                         "/../../resources/linux/app.orvelle.nattervane.policy.in")
            .value_or("");
    ASSERT_FALSE(policy.empty());
    const auto count = [&](const std::string& text) {
        size_t found = 0;
        for (size_t at = policy.find(text); at != std::string::npos; at = policy.find(text, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count("<message>" + AppTexts::adminPrompt(Lang::en, Wording::linux) + "</message>"),
              2u);
    EXPECT_EQ(count("<message xml:lang=\"ru\">" + AppTexts::adminPrompt(Lang::ru, Wording::linux) +
                    "</message>"),
              2u);
    EXPECT_EQ(count("org.freedesktop.policykit.exec.path"), 2u);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/app_texts.h"

#include <filesystem>

namespace AppTexts {

namespace {

struct Bilingual {
    std::string_view en;
    std::string_view ru;

    std::string in(Lang lang) const { return std::string(lang == Lang::ru ? ru : en); }
};

// One text per operating system's wording.
struct Worded {
    Bilingual macos;
    Bilingual linux;

    std::string in(Lang lang, platform::Wording wording) const {
        return (wording == platform::Wording::linux ? linux : macos).in(lang);
    }
};

std::string quotedName(std::string_view app, Lang lang) {
    std::string text(lang == Lang::ru ? "«" : "“");
    return text.append(app).append(lang == Lang::ru ? "»" : "”");
}

constexpr Worded offerText{
    {"To actually stop connections, Nattervane adds rules to the Mac's built-in firewall (pf) "
     "and to /etc/hosts. macOS will ask for your administrator password once. You can remove "
     "everything with one button in Settings.",
     "Чтобы правда останавливать соединения, Nattervane добавляет правила во встроенный фильтр "
     "Mac (pf) и в файл /etc/hosts. macOS один раз спросит пароль администратора. Всё убирается "
     "одной кнопкой в Настройках."},
    {"To actually stop connections, Nattervane adds rules to this computer's built-in firewall "
     "(nftables) and to /etc/hosts. The system will ask for your administrator password once. "
     "You can remove everything with one button in Settings.",
     "Чтобы правда останавливать соединения, Nattervane добавляет правила во встроенный фильтр "
     "компьютера (nftables) и в файл /etc/hosts. Система один раз спросит пароль "
     "администратора. Всё убирается одной кнопкой в Настройках."}};

constexpr Worded promptText{{"Nattervane wants to change the Mac's firewall rules.",
                             "Nattervane хочет изменить правила встроенного фильтра Mac."},
                            {"Nattervane wants to change this computer's firewall rules.",
                             "Nattervane хочет изменить правила встроенного фильтра компьютера."}};

} // namespace

std::string blockedTitle(Lang lang) {
    return Bilingual{"Blocked a new connection", "Запрещено новое соединение"}.in(lang);
}

std::string blockedBody(std::string_view app, std::string_view dest, Lang lang) {
    std::string text = quotedName(app, lang);
    text += lang == Lang::ru ? " пыталась связаться с " : " tried to reach ";
    return text.append(dest).append(".");
}

std::string trackerTitle() {
    return "Nattervane";
}

Question connectionQuestion(std::string_view app, std::string_view dest, std::string sentence,
                            bool ownRules, Lang lang) {
    std::string message = quotedName(app, lang);
    message.append(lang == Lang::ru ? " хочет связаться с " : " wants to reach ").append(dest);
    std::vector<std::string> buttons{Bilingual{"Allow", "Разрешить"}.in(lang),
                                     Bilingual{"Block", "Запретить"}.in(lang)};
    if (ownRules)
        buttons.emplace_back(
            Bilingual{"Block for this program only", "Запретить только этой программе"}.in(lang));
    buttons.emplace_back(Bilingual{"Ask next time", "Спросить в следующий раз"}.in(lang));
    return {std::move(message), std::move(sentence), std::move(buttons)};
}

Question programRuleRefused(Lang lang, const std::string& reason) {
    return {Bilingual{"This program cannot have rules of its own",
                      "Для этой программы нельзя задать отдельные правила"}
                .in(lang),
            Bilingual{"A rule for one program names its executable, and this one cannot be "
                      "named: ",
                      "Правило для одной программы называет её исполняемый файл, а этот "
                      "назвать нельзя: "}
                    .in(lang) +
                reason,
            {Bilingual{"OK", "OK"}.in(lang)}};
}

Question rulesFull(Lang lang, size_t most) {
    std::string count = std::to_string(most);
    return {Bilingual{"No room for another rule", "Нет места для нового правила"}.in(lang),
            Bilingual{"Nattervane keeps at most " + count + " rules. Remove some first.",
                      "Nattervane хранит не больше " + count + " правил. Сначала удалите часть."}
                .in(lang),
            {Bilingual{"OK", "OK"}.in(lang)}};
}

Question helperOffer(Lang lang, platform::Wording wording) {
    return {
        Bilingual{"Turn on blocking?", "Включить блокировку?"}.in(lang),
        offerText.in(lang, wording),
        {Bilingual{"Turn on", "Включить"}.in(lang), Bilingual{"Not now", "Не сейчас"}.in(lang)}};
}

std::string adminPrompt(Lang lang, platform::Wording wording) {
    return promptText.in(lang, wording);
}

Question adminFailure(Lang lang, const std::string& reason) {
    return {Bilingual{"Nattervane could not act as administrator",
                      "Nattervane не смог выполнить действие от имени администратора"}
                .in(lang),
            Bilingual{"Blocking was not changed. The system said:\n",
                      "Блокировка не изменена. Система сообщила:\n"}
                    .in(lang) +
                reason,
            {"OK"}};
}

std::string unusableFileNotice(const UnusableFile::Report& report, Lang lang) {
    std::string name = std::filesystem::path(report.path).filename().string();
    std::string text = Bilingual{"The file ", "Файл "}.in(lang) + name +
                       Bilingual{" could not be read; ", " не удалось прочитать; "}.in(lang);
    if (report.keptAs)
        return text + Bilingual{"it is kept as ", "он сохранён как "}.in(lang) + *report.keptAs;
    return text + Bilingual{"it is left as it is and not overwritten.",
                            "он оставлен как есть и не перезаписывается."}
                      .in(lang);
}

std::string notSavedNotice(const std::string& problem, Lang lang) {
    return Bilingual{"Not saved: ", "Не сохранено: "}.in(lang) + problem;
}

std::string exportRefusedNotice(size_t refused, Lang lang) {
    const std::string count = std::to_string(refused);
    if (lang == Lang::ru)
        return "Системный журнал не принимает записи (пока " + count +
               "). Его пространство имён ставится вместе с помощником при включении блокировки.";
    return "The system journal does not take the records (" + count +
           " so far). Its namespace comes with the helper, installed when blocking is turned on.";
}

std::string rulesRestoredNotice(const std::string& path, Lang lang) {
    return Bilingual{"The rules in force were restored from ",
                     "Действующие правила восстановлены из "}
               .in(lang) +
           std::filesystem::path(path).filename().string();
}

std::string rulesSetAsideTitle(Lang lang) {
    return Bilingual{"The rules file was set aside", "Файл правил отложен"}.in(lang);
}

std::string rulesSetAsideBody(const UnusableFile::Report& report,
                              const std::optional<std::string>& restoredFrom, Lang lang) {
    return unusableFileNotice(report, lang) + ". " +
           (restoredFrom ? rulesRestoredNotice(*restoredFrom, lang) + "."
                         : Bilingual{"The blocks stay as last applied until you change a rule.",
                                     "Блокировки остаются как были, пока вы не измените правило."}
                               .in(lang));
}

std::string rulesSetAsideLine(const std::optional<std::string>& restoredFrom, Lang lang) {
    const std::string aside = Bilingual{"rules.json set aside; ", "rules.json отложен; "}.in(lang);
    if (!restoredFrom)
        return aside + Bilingual{"blocks as last applied", "блокировки как были"}.in(lang);
    return aside + Bilingual{"rules restored from ", "правила восстановлены из "}.in(lang) +
           std::filesystem::path(*restoredFrom).filename().string();
}

} // namespace AppTexts

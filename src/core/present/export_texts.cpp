// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/export_texts.h"

#include "base/bilingual.h"

namespace ExportTexts {

namespace {

std::string in(Bilingual text, Lang lang) {
    return std::string(text.in(lang));
}

} // namespace

std::string switchLabel(Lang lang) {
    return in({"Also write the journal to this computer's system journal (for tools that collect "
               "logs from several computers). Nattervane itself sends nothing.",
               "Также записывать журнал в системный журнал этого компьютера (для программ, "
               "собирающих журналы нескольких компьютеров). Сам Nattervane ничего не отправляет."},
              lang);
}

std::string readers(const std::vector<std::string>& groups, Lang lang) {
    std::string text = in({"Who can read it there: root", "Кто может его там читать: root"}, lang);
    if (groups.empty()) return text + ".";
    text += in({" and the groups ", " и группы "}, lang);
    for (size_t i = 0; i < groups.size(); ++i)
        text += (i ? ", " : "") + groups[i];
    return text + ".";
}

std::string status(bool on, std::string_view socket, bool present, Lang lang) {
    return in({"system journal: ", "системный журнал: "}, lang) +
           in(on ? Bilingual{"on", "включено"} : Bilingual{"off", "выключено"}, lang) + "\n" +
           std::string(socket) + ": " +
           in(present ? Bilingual{"there", "есть"}
                      : Bilingual{"not there (the helper sets it up when installed)",
                                  "нет (его создаёт помощник при установке)"},
              lang) +
           "\n";
}

std::string ruleSentence(std::string_view target, const std::optional<std::string>& program,
                         std::optional<RuleAction> action, Lang lang) {
    std::string whom = program ? in({" for ", " для "}, lang) + *program
                               : in({" for every program", " для всех программ"}, lang);
    if (!action)
        return in({"Rule removed: ", "Правило удалено: "}, lang) + std::string(target) + whom;
    constexpr Bilingual actions[] = {
        {"allow", "разрешить"}, {"block", "запретить"}, {"ask", "спрашивать"}};
    return in({"Rule: ", "Правило: "}, lang) + in(actions[static_cast<int>(*action)], lang) + " " +
           std::string(target) + whom;
}

std::string answerSentence(std::string_view app, std::string_view dest,
                           const std::optional<std::string>& answer, Lang lang) {
    return in({"Question answered: ", "Ответ на вопрос: "}, lang) + std::string(app) + " → " +
           std::string(dest) + ": " +
           (answer ? *answer : in({"closed without an answer", "закрыт без ответа"}, lang));
}

} // namespace ExportTexts

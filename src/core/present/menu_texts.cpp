// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/menu_texts.h"

#include "present/text_table.h"

namespace MenuTexts {

namespace {

constexpr TextTable<Key> texts{{
    {Key::blockingOn, {"Blocking is on", "Блокировка включена"}},
    {Key::whoIsCalling, {"Who is calling out now", "Кто сейчас связывается"}},
    {Key::nobody, {"Nobody", "Никто"}},
    {Key::allow, {"Allow", "Разрешить"}},
    {Key::block, {"Block", "Запретить"}},
    {Key::askNextTime, {"Ask next time", "Спросить в следующий раз"}},
    {Key::blockForProgram, {"Block for this program only", "Запретить только этой программе"}},
    {Key::blockProgram, {"Block this program", "Запретить эту программу"}},
    {Key::programRulesOff,
     {"Rules for single programs stay as last applied, at most: the event service is not running",
      "Правила для отдельных программ действуют в лучшем случае как применены последний раз: "
      "служба событий не запущена"}},
    {Key::details, {"Details…", "Подробнее…"}},
    {Key::blockEverythingNew, {"Block everything new", "Запретить всё новое"}},
    {Key::quietMode, {"Quiet mode", "Тихий режим"}},
    {Key::pauseWatching, {"Pause watching", "Пауза"}},
    {Key::turnBlockingOff,
     {"Turn blocking off (remove all rules from the Mac)",
      "Выключить блокировку (убрать все правила с Mac)"}},
    {Key::turnOnBlocking, {"Turn on blocking…", "Включить блокировку…"}},
    {Key::openWindow, {"Open Nattervane…", "Открыть Nattervane…"}},
    {Key::journal, {"Journal…", "Журнал…"}},
    {Key::deleteJournal, {"Delete journal", "Удалить журнал"}},
    {Key::quit, {"Quit", "Выйти"}},
    {Key::wipeQuestion, {"Delete the whole journal?", "Удалить весь журнал?"}},
    {Key::wipeExplanation,
     {"All recorded connections on this Mac will be erased. Rules stay.",
      "Все записанные соединения на этом Mac будут стёрты. Правила останутся."}},
    {Key::wipeConfirm, {"Delete", "Удалить"}},
    {Key::wipeCancel, {"Cancel", "Отмена"}},
}};

constexpr Bilingual linuxTurnBlockingOff{
    "Turn blocking off (remove all rules from this computer)",
    "Выключить блокировку (убрать все правила с этого компьютера)"};

constexpr Bilingual linuxWipeExplanation{
    "All recorded connections on this computer will be erased. Rules stay.",
    "Все записанные соединения на этом компьютере будут стёрты. Правила останутся."};

const Bilingual& textFor(Key key, platform::Wording wording) {
    if (wording == platform::Wording::linux && key == Key::turnBlockingOff)
        return linuxTurnBlockingOff;
    if (wording == platform::Wording::linux && key == Key::wipeExplanation)
        return linuxWipeExplanation;
    return texts[key];
}

} // namespace

std::string text(Key key, Lang lang, platform::Wording wording) {
    return std::string(textFor(key, wording).in(lang));
}

std::string questionsWaiting(size_t count, Lang lang) {
    return (lang == Lang::ru ? "Ждут вашего ответа: " : "Waiting for your answer: ") +
           std::to_string(count) + "…";
}

std::string blockAllOf(std::string_view name, Lang lang) {
    std::string text(lang == Lang::ru ? "Запретить все адреса «" : "Block all of “");
    return text.append(name).append(lang == Lang::ru ? "»" : "” addresses");
}

} // namespace MenuTexts

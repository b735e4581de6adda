// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/question_texts.h"

#include <algorithm>
#include <cctype>

#include "present/counted.h"
#include "present/text_table.h"

namespace QuestionTexts {

namespace {

constexpr TextTable<Key> texts{{
    {Key::windowTitle, {"Nattervane questions", "Вопросы Nattervane"}},
    {Key::allow, {"&Allow", "&Разрешить"}},
    {Key::block, {"&Block", "&Запретить"}},
    {Key::once, {"Once", "Один раз"}},
    {Key::always, {"Always", "Всегда"}},
    {Key::thisDestination, {"This destination", "Этот адресат"}},
    {Key::everythingItReaches,
     {"Everything this program reaches", "Всё, к чему обращается программа"}},
    {Key::thisProgram, {"This program", "Эта программа"}},
    {Key::everyProgram, {"Every program", "Все программы"}},
    {Key::howLong, {"For how long", "На какой срок"}},
    {Key::what, {"What", "Что"}},
    {Key::forWhom, {"For whom", "Для кого"}},
    {Key::dismiss, {"Dismiss", "Убрать"}},
    {Key::allowedAtDeadline, {"Let through at the deadline", "Пропущено по истечении срока"}},
    {Key::blockedAtDeadline, {"Blocked at the deadline", "Запрещено по истечении срока"}},
    {Key::allowed, {"Allowed", "Разрешено"}},
    {Key::blocked, {"Blocked", "Запрещено"}},
    {Key::nobodyAnswered, {"Let through: nobody could answer", "Пропущено: ответить было некому"}},
    {Key::deadlineChoice,
     {"When a question is not answered in time:", "Если на вопрос не ответили вовремя:"}},
    {Key::letThroughOnce, {"Let through once", "Пропустить один раз"}},
    {Key::blockOnce, {"Block once", "Запретить один раз"}},
    {Key::allowButton, {"Allow", "Разрешить"}},
    {Key::blockButton, {"Block", "Запретить"}},
    {Key::details, {"Details", "Подробнее"}},
    {Key::allowOnce, {"Allow once", "Разрешить один раз"}},
}};

} // namespace

std::string text(Key key, Lang lang) {
    return std::string(texts[key].in(lang));
}

std::string destination(const std::optional<std::string>& host, std::string_view ip, int64_t port,
                        std::string_view proto, Lang lang) {
    std::string line = host ? *host + " (" + std::string(ip) + ")" : std::string(ip);
    line += lang == Lang::ru ? ", порт " : ", port ";
    std::string protocol(proto);
    std::transform(protocol.begin(), protocol.end(), protocol.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return line + std::to_string(port) + ", " + protocol;
}

std::string waiting(uint32_t connections, Lang lang) {
    const std::string counted = Counted::text(connections, Nouns::connection, lang);
    if (lang != Lang::ru) return counted + (connections == 1 ? " waits" : " wait");
    const bool one = Counted::form(connections, Nouns::connection, lang) == Nouns::connection.ruOne;
    return (one ? "Ждёт " : "Ждут ") + counted;
}

std::string secondsLeft(int64_t seconds, Lang lang) {
    const std::string count = std::to_string(std::max<int64_t>(seconds, 0));
    return lang == Lang::ru ? "Осталось " + count + " с" : count + " s left";
}

std::string settled(const HeldSettled& settled, Lang lang) {
    switch (settled.by) {
    case HeldSettled::By::nobody:
        return text(Key::nobodyAnswered, lang);
    case HeldSettled::By::deadline:
        return text(settled.allowed ? Key::allowedAtDeadline : Key::blockedAtDeadline, lang);
    case HeldSettled::By::answer:
        break;
    }
    return text(settled.allowed ? Key::allowed : Key::blocked, lang);
}

std::string cardName(std::string_view program, std::string_view destination, Lang lang) {
    if (lang == Lang::ru)
        return "Вопрос: «" + std::string(program) + "» обращается к " + std::string(destination);
    return "Question: “" + std::string(program) + "” reaches " + std::string(destination);
}

std::string askingWorks(std::string_view hold, Lang lang) {
    if (hold.empty())
        return lang == Lang::ru
                   ? "«Спросить»: о соединении спрашивается, когда его увидит проверка; первые "
                     "данные к тому времени могут уже уйти."
                   : "“Ask”: a connection is asked about once a scan sees it; its first data may "
                     "already have left.";
    const std::string path(hold);
    return lang == Lang::ru ? "«Спросить»: служба событий задерживает такие соединения (" + path +
                                  "), и они ждут вашего ответа, прежде чем что-то уйдёт."
                            : "“Ask”: the event service holds such connections (" + path +
                                  ") and they wait for your answer before anything leaves.";
}

} // namespace QuestionTexts

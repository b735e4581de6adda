#include "present/menu_texts.h"

#include <array>

#include "present/bilingual.h"

namespace MenuTexts {

namespace {

// Indexed by key.
constexpr std::array<Bilingual, 21> texts{{
    {"Blocking is on", "Блокировка включена"},
    {"Who is calling out now", "Кто сейчас связывается"},
    {"Nobody", "Никто"},
    {" · trackers ", " · трекеры "},
    {"Allow", "Разрешить"},
    {"Block", "Запретить"},
    {"Ask next time", "Спросить в следующий раз"},
    {"Details…", "Подробнее…"},
    {"Block everything new", "Запретить всё новое"},
    {"Quiet mode", "Тихий режим"},
    {"Pause watching", "Пауза"},
    {"Turn blocking off (remove all rules from the Mac)",
     "Выключить блокировку (убрать все правила с Mac)"},
    {"Turn on blocking…", "Включить блокировку…"},
    {"Open Nattervane…", "Открыть Nattervane…"},
    {"Journal…", "Журнал…"},
    {"Delete journal", "Удалить журнал"},
    {"Quit", "Выйти"},
    {"Delete the whole journal?", "Удалить весь журнал?"},
    {"All recorded connections on this Mac will be erased. Rules stay.",
     "Все записанные соединения на этом Mac будут стёрты. Правила останутся."},
    {"Delete", "Удалить"},
    {"Cancel", "Отмена"},
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
    return texts[static_cast<size_t>(key)];
}

} // namespace

std::string text(Key key, Lang lang, platform::Wording wording) {
    return std::string(textFor(key, wording).in(lang));
}

std::string blockAllOf(std::string_view name, Lang lang) {
    std::string text(lang == Lang::ru ? "Запретить все адреса «" : "Block all of “");
    return text.append(name).append(lang == Lang::ru ? "»" : "” addresses");
}

} // namespace MenuTexts

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_texts.h"

#include <chrono>
#include <ctime>

#include "present/counted.h"
#include "present/explainer.h"
#include "present/text_table.h"

namespace CliTexts {

namespace {

constexpr TextTable<Word> words{{
    {Word::port, {"port", "порт"}},
    {Word::incoming, {"incoming", "входящее"}},
    {Word::listed, {"listed: ", "в списке: "}},
    {Word::listedAs, {"listed as ", "в списке: "}},
    {Word::watchingEvents,
     {"watching connections as they are made (kernel events)",
      "соединения показываются в момент их открытия (события ядра)"}},
    {Word::watchingScans,
     {"the event service is not running here; showing the new connections a scan finds every "
      "second",
      "служба событий здесь не запущена; показываются новые соединения, которые находит "
      "проверка раз в секунду"}},
    {Word::yes, {"yes", "да"}},
    {Word::no, {"no", "нет"}},
}};

constexpr NounForms entry{"entry", "entries", "запись", "записи", "записей"};

} // namespace

std::string word(Word word, Lang lang) {
    return std::string(words[word].in(lang));
}

std::string scanHeading(std::string_view source, size_t connections, Lang lang) {
    return std::string(Bilingual{"source: ", "источник: "}.in(lang))
        .append(source)
        .append(", ")
        .append(Counted::text(static_cast<int64_t>(connections), Nouns::connection, lang));
}

std::string processes(std::string_view ids, size_t count, Lang lang) {
    const Bilingual noun =
        count == 1 ? Bilingual{"pid ", "процесс "} : Bilingual{"pid ", "процессы "};
    return std::string(noun.in(lang)).append(ids);
}

std::string category(Category category, Lang lang) {
    if (lang == Lang::ru) return Explainer::label(category, lang);
    return std::string(Categories::name(category)) + " (" + Explainer::label(category, lang) + ")";
}

std::string journalHeading(std::string_view dir, size_t entries, Lang lang) {
    return std::string(Bilingual{"journal: ", "журнал: "}.in(lang))
        .append(dir)
        .append(" (")
        .append(Counted::text(static_cast<int64_t>(entries), entry, lang))
        .append(")");
}

std::vector<std::string> journalColumns(Lang lang) {
    if (lang == Lang::ru)
        return {"ДЕНЬ",     "ВРЕМЯ",    "ПРОГРАММА",  "АДРЕСАТ",    "КАТЕГОРИЯ",
                "КОМПАНИЯ", "ПОЛУЧЕНО", "ОТПРАВЛЕНО", "БЛОКИРОВАНО"};
    return {"DAY", "TIME", "PROGRAM", "DESTINATION", "CATEGORY", "COMPANY", "IN", "OUT", "BLOCKED"};
}

std::string clockTime(Dates::TimePoint at) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

} // namespace CliTexts

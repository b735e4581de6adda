// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/traffic_texts.h"

#include <array>

#include "observe/traffic_rate.h"
#include "present/text_table.h"

namespace TrafficTexts {

namespace {

constexpr TextTable<Key> texts{{
    {Key::lastHour, {"Last hour", "Последний час"}},
    {Key::lastDays, {"Last 7 days", "Последние 7 дней"}},
    {Key::sent, {"Sent", "Отправлено"}},
    {Key::received, {"Received", "Получено"}},
    {Key::showTraffic, {"Traffic", "Трафик"}},
    {Key::now, {"now", "сейчас"}},
    {Key::fromJournal, {"lighter: from the journal", "светлее: из журнала"}},
}};

constexpr std::array<Bilingual, 12> months{{
    {"Jan", "янв"},
    {"Feb", "фев"},
    {"Mar", "мар"},
    {"Apr", "апр"},
    {"May", "мая"},
    {"Jun", "июн"},
    {"Jul", "июл"},
    {"Aug", "авг"},
    {"Sep", "сен"},
    {"Oct", "окт"},
    {"Nov", "ноя"},
    {"Dec", "дек"},
}};

std::string size(int64_t bytes, Lang lang) {
    return RateText::size(static_cast<double>(bytes), lang);
}

} // namespace

std::string text(Key key, Lang lang) {
    return std::string(texts[key].in(lang));
}

std::string heading(const TrafficSeries::Subject& subject, Lang lang) {
    const bool ru = lang == Lang::ru;
    const bool program = subject.kind == TrafficSeries::Subject::Kind::program;
    std::string line = ru ? (program ? "Трафик программы " : "Трафик с ")
                          : (program ? "Traffic of " : "Traffic with ");
    return line.append(subject.name);
}

std::string title(const TrafficSeries::Subject& subject, TrafficSeries::Span span, Lang lang) {
    return heading(subject, lang)
        .append(" · ")
        .append(text(span == TrafficSeries::Span::hour ? Key::lastHour : Key::lastDays, lang));
}

std::string bar(const TrafficSeries::Bar& bar, TrafficSeries::Span span, Lang lang) {
    const bool ru = lang == Lang::ru;
    const bool day = span == TrafficSeries::Span::days;
    std::string line = text(Key::sent, lang);
    line.append(" ").append(size(bar.out, lang)).append(ru ? ", получено " : ", received ");
    line.append(size(bar.in, lang)).append(ru ? (day ? " за " : " в ") : (day ? " on " : " at "));
    line.append(bar.when);
    if (bar.fromJournal) line.append(ru ? " (частично из журнала)" : " (partly from the journal)");
    return line;
}

std::string bars(const std::vector<TrafficSeries::Bar>& bars, TrafficSeries::Span span, Lang lang) {
    std::string all;
    for (const TrafficSeries::Bar& each : bars)
        all.append(all.empty() ? "" : "; ").append(bar(each, span, lang));
    return all;
}

std::string axis(const TrafficSeries::Bar& bar, TrafficSeries::Span span, Lang lang) {
    if (span == TrafficSeries::Span::hour || bar.when.size() != 10) return bar.when;
    const int month = std::stoi(bar.when.substr(5, 2));
    const std::string day = std::to_string(std::stoi(bar.when.substr(8, 2)));
    const std::string_view name = months.at(static_cast<size_t>(month - 1)).in(lang);
    return lang == Lang::ru ? day + " " + std::string(name) : std::string(name) + " " + day;
}

} // namespace TrafficTexts

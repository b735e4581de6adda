// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/lang.h"
#include "present/traffic_series.h"

// The texts of the traffic chart: its switch, legend and axes, and its bars told in words.
namespace TrafficTexts {

enum class Key {
    lastHour,
    lastDays,
    sent,
    received,
    // The button of a destination's card that opens its chart.
    showTraffic,
    // The right end of the hour's axis.
    now,
    // The lighter bars' legend.
    fromJournal,
    // Not a text: the number of keys.
    count,
};

std::string text(Key key, Lang lang);

// Whose traffic the chart shows: "Traffic of firefox", "Traffic with example.com".
std::string heading(const TrafficSeries::Subject& subject, Lang lang);
// The heading and the span: "Traffic of firefox · Last hour".
std::string title(const TrafficSeries::Subject& subject, TrafficSeries::Span span, Lang lang);
// One bar in words: "Sent 1.2 MB, received 3 MB on 2026-12-08", "… at 10:05".
std::string bar(const TrafficSeries::Bar& bar, TrafficSeries::Span span, Lang lang);
// Every bar in words, one sentence each.
std::string bars(const std::vector<TrafficSeries::Bar>& bars, TrafficSeries::Span span, Lang lang);
// A bar's label on the axis: a day as "Dec 8", in Russian "8 дек"; a slot as its start.
std::string axis(const TrafficSeries::Bar& bar, TrafficSeries::Span span, Lang lang);

} // namespace TrafficTexts

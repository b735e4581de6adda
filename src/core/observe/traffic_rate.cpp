// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/traffic_rate.h"

#include <array>
#include <cmath>
#include <cstdio>

std::map<std::string, Rate> RateMeter::update(const std::vector<Sample>& samples,
                                              Dates::TimePoint at) {
    std::map<std::string, Counters> now;
    for (const Sample& sample : samples)
        now[sample.id] = {sample.bytesIn, sample.bytesOut};
    std::map<std::string, Rate> rates;
    const double seconds =
        previousAt_ ? std::chrono::duration<double>(at - *previousAt_).count() : 0.0;
    if (seconds > 0) {
        for (const Sample& sample : samples) {
            Rate& rate = rates[sample.program];
            const auto before = previous_.find(sample.id);
            const bool continued = before != previous_.end() &&
                                   before->second.in <= sample.bytesIn &&
                                   before->second.out <= sample.bytesOut;
            const int64_t in = continued ? sample.bytesIn - before->second.in : sample.bytesIn;
            const int64_t out = continued ? sample.bytesOut - before->second.out : sample.bytesOut;
            rate.in += static_cast<double>(std::max<int64_t>(in, 0)) / seconds;
            rate.out += static_cast<double>(std::max<int64_t>(out, 0)) / seconds;
        }
    }
    previous_ = std::move(now);
    previousAt_ = at;
    return rates;
}

namespace RateText {

namespace {

struct Unit {
    const char* en;
    const char* ru;
};
constexpr std::array<Unit, 5> units{
    {{"B", "Б"}, {"kB", "кБ"}, {"MB", "МБ"}, {"GB", "ГБ"}, {"TB", "ТБ"}}};

} // namespace

std::string size(double bytes, Lang lang) {
    const bool ru = lang == Lang::ru;
    if (!(bytes > 0)) bytes = 0;
    size_t unit = 0;
    while (unit + 1 < units.size() && std::round(bytes * 10) / 10 >= 1000) {
        bytes /= 1000;
        ++unit;
    }
    char number[32];
    if (unit == 0)
        std::snprintf(number, sizeof number, "%.0f", bytes);
    else
        std::snprintf(number, sizeof number, "%.1f", bytes);
    std::string text = number;
    if (ru)
        for (char& c : text)
            if (c == '.') c = ',';
    return text + " " + (ru ? units[unit].ru : units[unit].en);
}

std::string perSecond(double bytes, Lang lang) {
    return size(bytes, lang) + (lang == Lang::ru ? "/с" : "/s");
}

std::string both(const Rate& rate, Lang lang) {
    return "↓ " + perSecond(rate.in, lang) + " ↑ " + perSecond(rate.out, lang);
}

} // namespace RateText

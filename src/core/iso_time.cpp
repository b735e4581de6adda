#include "iso_time.h"

#include <cstdio>

#include "text.h"

namespace IsoTime {

namespace {

using namespace std::chrono;

// The digits of text[at, at + count); absent when any of them is not a digit.
std::optional<int> digits(std::string_view text, size_t at, size_t count) {
    std::string_view piece = text.substr(at, count);
    if (piece.front() < '0' || piece.front() > '9') return std::nullopt;
    return Text::parseDecimal<int>(piece);
}

} // namespace

std::string format(sys_seconds time) {
    sys_days day = floor<days>(time);
    year_month_day date{day};
    hh_mm_ss clock{time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text;
}

std::optional<sys_seconds> parse(std::string_view text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    auto y = digits(text, 0, 4), mo = digits(text, 5, 2), d = digits(text, 8, 2);
    auto h = digits(text, 11, 2), mi = digits(text, 14, 2), s = digits(text, 17, 2);
    if (!y || !mo || !d || !h || !mi || !s || *h > 23 || *mi > 59 || *s > 59) return std::nullopt;
    year_month_day date{year(*y), month(unsigned(*mo)), day(unsigned(*d))};
    if (!date.ok()) return std::nullopt;
    return sys_days(date) + hours(*h) + minutes(*mi) + seconds(*s);
}

} // namespace IsoTime

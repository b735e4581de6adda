#include "status_text.h"

#include "text.h"

namespace StatusText {

namespace {

// The rest of the first word that begins with `key`, else "0".
std::string valueOf(std::string_view status, std::string_view key) {
    for (std::string_view word : Text::splitNonEmpty(status, ' '))
        if (word.starts_with(key)) return std::string(word.substr(key.size()));
    return "0";
}

} // namespace

std::string statusLine(bool paused, size_t programsOnline, int64_t trackingNow, Lang lang) {
    const bool ru = lang == Lang::ru;
    if (paused) return ru ? "На паузе" : "Paused";
    const std::string n = std::to_string(programsOnline);
    if (trackingNow == 0)
        return ru ? "Спокойно · в сети программ: " + n : "All calm · " + n + " programs online";
    const std::string t = std::to_string(trackingNow);
    return ru ? "Трекеров сейчас: " + t + " · в сети программ: " + n
              : t + " tracker connections now · " + n + " programs online";
}

std::string shortStatus(std::string_view helperStatus, Lang lang) {
    const std::string ips = valueOf(helperStatus, "ips=");
    const std::string domains = valueOf(helperStatus, "domains=");
    if (lang == Lang::ru) return "адресов " + ips + ", доменов " + domains;
    return ips + " addresses, " + domains + " domains";
}

} // namespace StatusText

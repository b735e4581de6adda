// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/status_text.h"

#include "base/text.h"
#include "present/counted.h"

namespace StatusText {

namespace {

// The rest of the first word that begins with `key`, else "0".
std::string valueOf(std::string_view status, std::string_view key) {
    for (std::string_view word : Text::splitNonEmpty(status, ' '))
        if (word.starts_with(key)) return std::string(word.substr(key.size()));
    return "0";
}

// `value` and the noun in the form it asks for; a value that is not a count, as the helper may
// write, takes the form of many.
std::string countOf(const std::string& value, const NounForms& noun, Lang lang) {
    const bool digits = !value.empty() && value.size() <= 18 &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    if (digits) return Counted::text(std::stoll(value), noun, lang);
    return value + " " + std::string(Counted::form(0, noun, lang));
}

} // namespace

std::string statusLine(bool paused, size_t programsOnline, int64_t trackingNow, Lang lang) {
    const bool ru = lang == Lang::ru;
    if (paused) return ru ? "На паузе" : "Paused";
    const int64_t online = static_cast<int64_t>(programsOnline);
    const std::string programs = ru ? "в сети " + Counted::text(online, Nouns::program, lang)
                                    : Counted::text(online, Nouns::program, lang) + " online";
    if (trackingNow == 0) return (ru ? "Спокойно · " : "All calm · ") + programs;
    const std::string tracking = Counted::text(trackingNow, Nouns::trackerConnection, lang);
    return ru ? "Сейчас " + tracking + " · " + programs : tracking + " now · " + programs;
}

std::string shortStatus(std::string_view helperStatus, Lang lang) {
    std::string text = countOf(valueOf(helperStatus, "ips="), Nouns::address, lang) + ", " +
                       countOf(valueOf(helperStatus, "domains="), Nouns::domain, lang);
    const bool ru = lang == Lang::ru;
    // How the domains are blocked; a helper from before DNS blocking names no mode.
    const std::string mode = valueOf(helperStatus, "dns=");
    const std::string_view via = ru ? " через " : " via ";
    if (mode == "hosts")
        text.append(via).append("/etc/hosts");
    else if (mode == "own")
        text.append(via).append("dnsmasq");
    else if (mode == "resolved")
        text.append(via).append("dnsmasq (systemd-resolved)");
    else if (mode == "networkmanager")
        text.append(via).append("dnsmasq (NetworkManager)");
    return text;
}

} // namespace StatusText

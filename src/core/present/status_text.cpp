#include "present/status_text.h"

#include "base/text.h"

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
    const bool ru = lang == Lang::ru;
    std::string text = ru ? "адресов " + ips + ", доменов " + domains
                          : ips + " addresses, " + domains + " domains";
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

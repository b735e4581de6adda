// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/system_names.h"

#include <unordered_map>
#include <utility>

namespace SystemNames {

namespace {

using Names = std::pair<std::string, std::string>;

const std::unordered_map<std::string, Names>& map() {
    static const std::unordered_map<std::string, Names> table{
        {"apsd", {"Apple push notifications", "Уведомления Apple"}},
        {"nsurlsessiond", {"Background downloads (macOS)", "Загрузки в фоне (macOS)"}},
        {"mDNSResponder", {"Name lookup (DNS)", "Поиск адресов (DNS)"}},
        {"trustd", {"Certificate checks (macOS)", "Проверка сертификатов (macOS)"}},
        {"cloudd", {"iCloud sync", "Синхронизация iCloud"}},
        {"bird", {"iCloud Drive", "iCloud Drive"}},
        {"rapportd", {"Nearby Apple devices", "Связь с устройствами Apple рядом"}},
        {"identityservicesd", {"iMessage and FaceTime", "iMessage и FaceTime"}},
        {"softwareupdated", {"Software Update", "Обновление ПО"}},
        {"timed", {"Clock sync", "Сверка часов"}},
        {"sharingd", {"AirDrop and sharing", "AirDrop и общий доступ"}},
        {"symptomsd", {"Network diagnostics (macOS)", "Диагностика сети (macOS)"}},
        {"syslogd", {"System log", "Системный журнал"}},
        {"remoted", {"Remote devices (macOS)", "Связь с устройствами (macOS)"}},
        {"airportd", {"Wi-Fi", "Wi-Fi"}},
        {"configd", {"Network settings", "Настройки сети"}},
        {"netbiosd", {"Windows file sharing", "Общий доступ Windows"}},
        {"akd", {"Apple Account", "Учётная запись Apple"}},
        {"parsecd", {"Siri and Spotlight suggestions", "Подсказки Siri и Spotlight"}},
        {"assistantd", {"Siri", "Siri"}},
        {"nesessionmanager", {"VPN and network extensions", "VPN и сетевые расширения"}},
        {"nesessionmanage", {"VPN and network extensions", "VPN и сетевые расширения"}},
        {"wifip2pd", {"Wi-Fi direct", "Wi-Fi напрямую"}},
        // Linux daemons. Listers show at most 15 characters of a process name, so the cut
        // forms are keys too.
        {"systemd-resolved", {"Name lookup (DNS)", "Поиск адресов (DNS)"}},
        {"systemd-resolve", {"Name lookup (DNS)", "Поиск адресов (DNS)"}},
        {"NetworkManager", {"Network settings", "Настройки сети"}},
        {"systemd-networkd", {"Network settings", "Настройки сети"}},
        {"systemd-network", {"Network settings", "Настройки сети"}},
        {"chronyd", {"Clock sync", "Сверка часов"}},
        {"ntpd", {"Clock sync", "Сверка часов"}},
        {"systemd-timesyncd", {"Clock sync", "Сверка часов"}},
        {"systemd-timesyn", {"Clock sync", "Сверка часов"}},
        {"avahi-daemon", {"Local network discovery", "Поиск устройств в сети"}},
        {"cupsd", {"Printing", "Печать"}},
        {"cups-browsed", {"Printing", "Печать"}},
        {"packagekitd", {"Software Update", "Обновление ПО"}},
        {"fwupd", {"Firmware updates", "Обновление прошивок"}},
        {"snapd", {"Snap packages", "Пакеты Snap"}},
        {"geoclue", {"Location service", "Определение местоположения"}},
        {"dhclient", {"Network address (DHCP)", "Получение адреса (DHCP)"}},
        {"dhcpcd", {"Network address (DHCP)", "Получение адреса (DHCP)"}},
        {"wpa_supplicant", {"Wi-Fi", "Wi-Fi"}},
        {"ModemManager", {"Mobile broadband", "Мобильная связь"}},
        {"sshd", {"Remote login (SSH)", "Удалённый вход (SSH)"}},
    };
    return table;
}

const std::string& inLang(const Names& names, Lang lang) {
    return lang == Lang::ru ? names.second : names.first;
}

} // namespace

std::optional<std::string> friendly(std::string_view processName, Lang lang) {
    static const Names webKit{"WebKit (Safari, Mail, web views)",
                              "WebKit (Safari, Почта, встроенные окна)"};
    if (processName.starts_with("com.apple.WebKit.Networking") ||
        processName.starts_with("com.apple.WebKit.Netwo"))
        return inLang(webKit, lang);
    auto found = map().find(std::string(processName));
    if (found == map().end()) return std::nullopt;
    return inLang(found->second, lang);
}

} // namespace SystemNames

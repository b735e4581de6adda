// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/window_texts.h"

#include <array>

#include "present/counted.h"
#include "present/text_table.h"

namespace WindowTexts {

namespace {

// The tabs in tab order.
constexpr TextTable<Key> texts{{
    {Key::blockEverythingNew, {"Block everything new", "Запретить всё новое"}},
    {Key::quiet, {"Quiet", "Тихо"}},
    {Key::programs, {"Programs", "Программы"}},
    {Key::journal, {"Journal", "Журнал"}},
    {Key::rules, {"Rules", "Правила"}},
    {Key::settings, {"Settings", "Настройки"}},
    {Key::noPrograms, {"No programs are online right now.", "Сейчас ни одна программа не в сети."}},
    {Key::systemService, {"macOS service", "служба macOS"}},
    {Key::blockAllItsAddresses, {"Block all its addresses", "Запретить все её адреса"}},
    {Key::blockingHint,
     {"Rules are saved, but to actually stop connections turn on blocking in Settings.",
      "Правила сохраняются, но чтобы правда останавливать соединения — включите блокировку в "
      "Настройках."}},
    {Key::allow, {"Allow", "Разрешить"}},
    {Key::block, {"Block", "Запретить"}},
    {Key::ask, {"Ask next time", "Спросить"}},
    {Key::thisProgramOnly, {"Block for this program only", "Запретить только ей"}},
    {Key::blockThisProgram, {"Block this program", "Запретить эту программу"}},
    {Key::searchPlaceholder, {"Search program or address", "Поиск по программе или адресу"}},
    {Key::onlyTrackers, {"Only trackers", "Только трекеры"}},
    {Key::journalKept,
     {"Kept for 7 days, only on this Mac", "Хранится 7 дней, только на этом Mac"}},
    {Key::deleteJournal, {"Delete journal", "Удалить журнал"}},
    {Key::columnDay, {"Day", "День"}},
    {Key::columnProgram, {"Program", "Программа"}},
    {Key::columnAddress, {"Address", "Адрес"}},
    {Key::columnWho, {"Who", "Кто"}},
    {Key::columnLast, {"Last", "Последний раз"}},
    {Key::columnSent, {"Sent", "Отправлено"}},
    {Key::columnReceived, {"Received", "Получено"}},
    {Key::period, {"Period", "Период"}},
    {Key::periodWeek, {"Last 7 days", "Последние 7 дней"}},
    {Key::periodToday, {"Today", "Сегодня"}},
    {Key::periodYesterday, {"Yesterday", "Вчера"}},
    {Key::blocked, {"blocked", "запрещено"}},
    {Key::notBlocked, {"not blocked", "не запрещено"}},
    {Key::incoming, {"incoming", "входящее"}},
    {Key::rulesNote,
     {"Rules apply to the whole Mac (by address), not just one program.",
      "Правила действуют на весь Mac (по адресу), а не на одну программу."}},
    {Key::removeAllRules, {"Remove all rules", "Удалить все правила"}},
    {Key::noRules,
     {"No rules yet. Open “Programs” and press Allow / Block / Ask.",
      "Правил пока нет. Откройте «Программы» и нажмите Разрешить / Запретить / Спросить."}},
    {Key::columnFromProgram, {"From program", "Из программы"}},
    {Key::columnAction, {"Action", "Действие"}},
    {Key::columnFor, {"For", "Для кого"}},
    {Key::everyProgram, {"every program", "все программы"}},
    {Key::programRulesOff,
     {"Rules for single programs stay as last applied, at most: the event service is not running.",
      "Правила для отдельных программ действуют в лучшем случае как применены последний раз: "
      "служба событий не запущена."}},
    {Key::remove, {"Remove", "Убрать"}},
    {Key::askAction, {"Ask", "Спросить"}},
    {Key::sectionBlocking, {"Blocking", "Блокировка"}},
    {Key::sectionWatching, {"Watching", "Наблюдение"}},
    {Key::sectionLanguage, {"Language", "Язык"}},
    {Key::sectionPrivacy, {"Privacy", "Приватность"}},
    {Key::blockingOff,
     {"Off — rules are only remembered", "Выключена — правила только запоминаются"}},
    {Key::turnOnBlocking, {"Turn on blocking…", "Включить блокировку…"}},
    {Key::blockingOn, {"On", "Включена"}},
    {Key::turnOffAndRemove, {"Turn off and remove everything", "Выключить и убрать всё"}},
    {Key::howItWorks,
     {"How it works: blocked addresses go to the Mac's built-in firewall (pf, anchor "
      "com.apple/nattervane), blocked domains to /etc/hosts. Your /etc/pf.conf is not edited, a "
      "copy of /etc/hosts is kept, and “Turn off” undoes all of it. Limits: a rule works for the "
      "whole Mac, not one program; programs with their own DNS (DoH) or a VPN can get around hosts "
      "rules.",
      "Как это работает: запрещённые адреса попадают во встроенный фильтр Mac (pf, якорь "
      "com.apple/nattervane), запрещённые домены — в /etc/hosts. Файл /etc/pf.conf не меняется, "
      "копия /etc/hosts сохраняется, «Выключить» откатывает всё. Границы: правило действует на "
      "весь Mac, а не на одну программу; программы со своим DNS (DoH) или через VPN могут обходить "
      "правила hosts."}},
    {Key::checkEvery, {"Check every", "Проверять каждые"}},
    {Key::seconds3, {"3 seconds", "3 секунды"}},
    {Key::seconds5, {"5 seconds", "5 секунд"}},
    {Key::seconds15, {"15 seconds", "15 секунд"}},
    {Key::minute1, {"1 minute", "1 минуту"}},
    {Key::showLocal,
     {"Show local network and this Mac too", "Показывать и локальную сеть, и этот Mac"}},
    {Key::quietMode,
     {"Quiet mode (no notifications or questions)", "Тихий режим (без уведомлений и вопросов)"}},
    {Key::pause, {"Pause", "Пауза"}},
    {Key::automatic, {"Automatic", "Как в системе"}},
    // Followed by the data folder in use.
    {Key::privacyStatement,
     {"Nattervane sends nothing anywhere: no account, no analytics, no updates check. The journal "
      "and rules are files in ",
      "Nattervane ничего никуда не отправляет: без аккаунта, без статистики, без проверки "
      "обновлений. Журнал и правила — файлы в "}},
    {Key::startAtLogin, {"Start at login", "Запускать при входе в систему"}},
    {Key::blockingSummary,
     {"Blocked addresses and domains are stopped for the whole Mac by its built-in firewall. "
      "“Turn off” undoes all of it.",
      "Запрещённые адреса и домены останавливает встроенный фильтр Mac для всего компьютера. "
      "«Выключить» откатывает всё."}},
    {Key::more, {"More…", "Подробнее…"}},
    {Key::less, {"Less", "Короче"}},
    {Key::programIcon, {"icon of ", "значок "}},
    {Key::trayHintTitle, {"Nattervane is running", "Nattervane работает"}},
    {Key::trayHintBody,
     {"Its icon is in the menu bar: click it for the menu and the window.",
      "Его значок — в строке меню: щёлкните его, чтобы открыть меню и окно."}},
}};

// The texts that name the Mac, macOS or pf, as other systems word them.
constexpr std::array<TextTable<Key>::Row, 7> linuxTexts{{
    {Key::systemService, {"system service", "системная служба"}},
    {Key::journalKept,
     {"Kept for 7 days, only on this computer", "Хранится 7 дней, только на этом компьютере"}},
    {Key::rulesNote,
     {"A rule applies to the whole computer (by address) unless it names one program; a program "
      "is its executable.",
      "Правило действует на весь компьютер (по адресу), если оно не для одной программы; "
      "программа — это её исполняемый файл."}},
    {Key::howItWorks,
     {"How it works: blocked addresses go to this computer's built-in firewall (nftables, table "
      "inet nattervane). Blocked domains, the tracker lists' too, go to dnsmasq, which answers "
      "“no such domain” for each of them and every name under it, plugged in through "
      "systemd-resolved, NetworkManager or a dnsmasq of its own; only your own few domains also "
      "go to /etc/hosts, so lookups stay fast (without dnsmasq every domain goes to /etc/hosts). "
      "No other firewall rules are edited, only Nattervane's own marked lines of /etc/hosts "
      "change, and “Turn off” undoes all of it. Rules for one program are kept by the event "
      "service, which makes the program's connections fail at once. Limits: an allow for one "
      "program cannot lift a block for all; programs with their own DNS (DoH) or a VPN can get "
      "around domain rules.",
      "Как это работает: запрещённые адреса попадают во встроенный фильтр компьютера (nftables, "
      "таблица inet nattervane). Запрещённые домены, в том числе из списков трекеров, попадают в "
      "dnsmasq: он отвечает «такого домена нет» для каждого из них и всех имён под ним и "
      "подключается через systemd-resolved, NetworkManager или собственный dnsmasq; в /etc/hosts "
      "попадают только ваши собственные немногие домены, поэтому поиск имён остаётся быстрым "
      "(без dnsmasq все домены идут в /etc/hosts). Другие правила фильтра не меняются, в "
      "/etc/hosts меняются только отмеченные строки Nattervane, «Выключить» откатывает всё. "
      "Правила для одной программы соблюдает служба событий: соединения программы сразу "
      "завершаются ошибкой. Границы: разрешение для одной программы не снимает запрета для всех; "
      "программы со своим DNS (DoH) или через VPN могут обходить правила для доменов."}},
    {Key::showLocal,
     {"Show local network and this computer too", "Показывать и локальную сеть, и этот компьютер"}},
    {Key::blockingSummary,
     {"Blocked addresses and domains are stopped for the whole computer, and rules for one "
      "program for that program alone. “Turn off” undoes all of it.",
      "Запрещённые адреса и домены останавливаются для всего компьютера, а правила для одной "
      "программы — только для неё. «Выключить» откатывает всё."}},
    {Key::trayHintBody,
     {"Its icon is in the panel's tray: click it for the menu and the window.",
      "Его значок — в области уведомлений панели: щёлкните его, чтобы открыть меню и окно."}},
}};

constexpr size_t firstTab = static_cast<size_t>(Key::programs);

const Bilingual& textFor(Key key, platform::Wording wording) {
    if (wording == platform::Wording::linux)
        for (const TextTable<Key>::Row& variant : linuxTexts)
            if (variant.key == key) return variant.text;
    return texts[key];
}

} // namespace

std::string text(Key key, Lang lang, platform::Wording wording) {
    return std::string(textFor(key, wording).in(lang));
}

std::string tabName(int tab, Lang lang) {
    const size_t index = tab >= 0 && tab <= 3 ? firstTab + static_cast<size_t>(tab) : firstTab;
    return std::string(texts[static_cast<Key>(index)].in(lang));
}

std::string footer(std::string_view source, size_t listedDomains, Lang lang,
                   platform::Wording wording) {
    const bool mac = wording == platform::Wording::macos;
    const std::string domains =
        Counted::text(static_cast<int64_t>(listedDomains), Nouns::domain, lang);
    std::string text;
    if (lang == Lang::ru)
        return text
            .append(mac ? "Ничего не уходит с этого Mac. Источник: "
                        : "Ничего не уходит с этого компьютера. Источник: ")
            .append(source)
            .append(" · в списках ")
            .append(domains);
    return text
        .append(mac ? "Nothing leaves this Mac. Source: "
                    : "Nothing leaves this computer. Source: ")
        .append(source)
        .append(" · lists: ")
        .append(domains);
}

std::string connectionCount(size_t connections, int trackers, Lang lang) {
    std::string text = Counted::text(static_cast<int64_t>(connections), Nouns::connection, lang);
    if (trackers >= 1) text.append(" · ").append(Counted::text(trackers, Nouns::tracker, lang));
    return text;
}

std::string moreDestinations(size_t more, Lang lang) {
    const std::string count = Counted::text(static_cast<int64_t>(more), Nouns::destination, lang);
    return lang == Lang::ru ? "… и ещё " + count + "; все они — на вкладке «Журнал»."
                            : "… and " + count + " besides; the Journal tab lists them all.";
}

std::string privacyStatement(std::string_view folder, std::string_view home, Lang lang) {
    std::string text = WindowTexts::text(Key::privacyStatement, lang);
    if (!home.empty() && folder.starts_with(home) && folder.size() > home.size() &&
        folder[home.size()] == '/')
        text.append("~").append(folder.substr(home.size()));
    else
        text.append(folder);
    return text.append(".");
}

std::string traffic(std::string_view sent, std::string_view received, Lang lang) {
    const bool ru = lang == Lang::ru;
    return std::string(ru ? "отправлено " : "sent ")
        .append(sent)
        .append(ru ? " · получено " : " · received ")
        .append(received);
}

std::string helperState(bool installed, std::string_view status, Lang lang) {
    if (!installed) return text(Key::blockingOff, lang);
    std::string line = text(Key::blockingOn, lang);
    if (!status.empty()) line.append(" — ").append(status);
    return line;
}

std::string blockListed(size_t listedDomains, Lang lang) {
    return std::string(lang == Lang::ru
                           ? "Также запретить все домены из открытых списков трекеров ("
                           : "Also block every domain from the open tracker lists (")
        .append(std::to_string(listedDomains))
        .append(")");
}

std::string programRulesFollow(std::string_view executable, Lang lang) {
    return std::string(lang == Lang::ru ? "Правила только для этой программы относятся к файлу "
                                        : "Rules for this program alone follow its executable, ")
        .append(executable)
        .append(lang == Lang::ru ? "; его копия в другом месте — другая программа."
                                 : "; a copy of it elsewhere is another program.");
}

std::string ruleButtonName(Key action, std::string_view destination, Lang lang) {
    const bool ru = lang == Lang::ru;
    switch (action) {
    case Key::ask:
        return std::string(ru ? "Спросить про " : "Ask next time about ").append(destination);
    case Key::thisProgramOnly:
        return text(Key::block, lang)
            .append(" ")
            .append(destination)
            .append(ru ? " только этой программе" : " for this program only");
    default:
        return text(action, lang).append(" ").append(destination);
    }
}

std::string iconName(std::string_view program, Lang lang) {
    return text(Key::programIcon, lang).append(program);
}

std::string ruleFor(const std::optional<std::string>& program, Lang lang) {
    if (!program) return text(Key::everyProgram, lang);
    std::string_view name = *program;
    name = name.substr(name.rfind('/') + 1);
    return std::string(lang == Lang::ru ? "только " : "only ").append(name);
}

std::string blockedBy(std::string_view target, const std::optional<std::string>& program,
                      Lang lang) {
    std::string text(lang == Lang::ru ? "запрещено правилом " : "blocked by the rule ");
    if (target == "*")
        text.append(lang == Lang::ru ? "«всё»" : "“everything”");
    else
        text.append(target);
    if (program) text.append(" · ").append(ruleFor(program, lang));
    return text;
}

} // namespace WindowTexts

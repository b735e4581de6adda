// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/explainer.h"

#include "classify/public_suffixes.h"
#include "present/text_table.h"

namespace Explainer {

namespace {

constexpr TextTable<Category> labels{{
    {Category::local, {"Local", "Своя сеть"}},
    {Category::apple, {"Apple", "Apple"}},
    {Category::system, {"System", "Система"}},
    {Category::cloud, {"Cloud", "Облако"}},
    {Category::cdn, {"CDN", "Загрузки"}},
    {Category::service, {"Service", "Сервис"}},
    {Category::unknown, {"Unknown", "Неизвестно"}},
    {Category::telemetry, {"Telemetry", "Отчёты"}},
    {Category::social, {"Social", "Соцсеть"}},
    {Category::analytics, {"Analytics", "Статистика"}},
    {Category::tracker, {"Tracker", "Трекер"}},
    {Category::ads, {"Ads", "Реклама"}},
}};

// A sentence template: the fixed text before the program, between the program and the party,
// and after the party. Templates that do not name the party put all the rest in `middle`.
struct Template {
    Bilingual before;
    Bilingual middle;
    Bilingual after;
    bool namesParty = true;
};

// The quotation marks around the program are added separately.
constexpr TextTable<Category, Template> templates{{
    {Category::local,
     {{"", ""},
      {" talks to a device on your network or this Mac.",
       " связывается с устройством в вашей сети или на этом Mac."},
      {"", ""},
      false}},
    {Category::apple,
     {{"", ""},
      {" talks to Apple (iCloud, updates, notifications) — normal.",
       " связывается с Apple (iCloud, обновления, уведомления) — обычное дело."},
      {"", ""},
      false}},
    {Category::system,
     {{"macOS service ", "Служба macOS "}, {" talks to ", " связывается с "}, {".", "."}}},
    {Category::cloud,
     {{"", ""},
      {" talks to a cloud server at ", " связывается с облачным сервером "},
      {" — usually the program's own server.", " — чаще всего это сервер самой программы."}}},
    {Category::cdn,
     {{"", ""},
      {" downloads files through ", " загружает файлы через сеть доставки "},
      {"'s delivery network — usually images, updates or pages.",
       " — обычно это картинки, обновления, страницы."}}},
    {Category::service,
     {{"", ""}, {" talks to the ", " связывается со своим сервисом "}, {" service.", "."}}},
    {Category::unknown,
     {{"", ""},
      {" talks to ", " связывается с "},
      {"; we don't know who that is.", "; кто это — неизвестно."}}},
    {Category::telemetry,
     {{"", ""},
      {" sends usage and crash reports to ", " отправляет отчёты о работе и сбоях в "},
      {".", "."}}},
    {Category::social,
     {{"", ""},
      {" talks to the social network ", " связывается с соцсетью "},
      {", which can learn that you opened it.",
       " — она может узнать, что вы открыли эту программу."}}},
    {Category::analytics,
     {{"", ""},
      {" tells ", " сообщает "},
      {" how you use it (usage statistics).", ", как вы пользуетесь программой (статистика)."}}},
    {Category::tracker,
     {{"", ""},
      {" talks to ", " связывается с "},
      {", which is on public lists of trackers and ads.",
       " — это адрес из открытых списков трекеров и рекламы."}}},
    {Category::ads,
     {{"", ""},
      {" is sending data to the ad network ", " отправляет данные рекламной сети "},
      {".", "."}}},
}};

// On Linux the sentences that name the operating system speak of it in general terms.
constexpr Template linuxLocal{{"", ""},
                              {" talks to a device on your network or this computer.",
                               " связывается с устройством в вашей сети или на этом компьютере."},
                              {"", ""},
                              false};
constexpr Template linuxSystem{
    {"System service ", "Системная служба "}, {" talks to ", " связывается с "}, {".", "."}};

// A host nobody is known for, named by the domain it lies under rather than its long name.
constexpr Template unknownUnder{
    {"", ""},
    {" talks to a server under ", " связывается с сервером в домене "},
    {"; we don't know who runs it.", "; кто им управляет — неизвестно."}};

const Template& templateFor(Category category, platform::Wording wording) {
    if (wording == platform::Wording::linux && category == Category::local) return linuxLocal;
    if (wording == platform::Wording::linux && category == Category::system) return linuxSystem;
    return templates[category];
}

std::string quoted(std::string_view app, Lang lang) {
    std::string text(lang == Lang::ru ? "«" : "“");
    return text.append(app).append(lang == Lang::ru ? "»" : "”");
}

constexpr Bilingual programOfUser{"A program of user ", "Программа пользователя "};
constexpr Bilingual unseenProgram{"A program that closed the connection before it could be seen",
                                  "Программа, закрывшая соединение раньше, чем её увидели,"};
constexpr Bilingual unknownProgram{"An unknown program", "Неизвестная программа"};
constexpr Bilingual anyProgram{"A program", "Программа"};

// Who the sentence is about: the program's name in quotes, or what is known of it.
std::string subject(const AppIdentity& app, Lang lang) {
    switch (app.kind) {
    case AppIdentity::Kind::userProgram:
        return std::string(programOfUser.in(lang)).append(app.user.value_or(""));
    case AppIdentity::Kind::unseen:
        return std::string(unseenProgram.in(lang));
    case AppIdentity::Kind::unknown:
        return std::string(unknownProgram.in(lang));
    default:
        return quoted(app.name, lang);
    }
}

// The registrable domain of an unknown party's host, when it is shorter than the host.
std::optional<std::string> unknownDomain(const Verdict& verdict,
                                         const std::optional<std::string>& host) {
    if (verdict.category != Category::unknown || verdict.company || !host) return std::nullopt;
    std::optional<std::string> domain = PublicSuffixes::system().registrableDomain(*host);
    if (!domain || domain->size() >= host->size()) return std::nullopt;
    return domain;
}

std::string described(std::string subject, const Verdict& verdict,
                      const std::optional<std::string>& host, std::string_view ip, Lang lang,
                      platform::Wording wording) {
    std::optional<std::string> domain = unknownDomain(verdict, host);
    const Template& chosen = domain ? unknownUnder : templateFor(verdict.category, wording);
    std::string text(chosen.before.in(lang));
    text.append(subject).append(chosen.middle.in(lang));
    if (chosen.namesParty) {
        std::string_view party = domain            ? std::string_view(*domain)
                                 : verdict.company ? std::string_view(*verdict.company)
                                 : host            ? std::string_view(*host)
                                                   : ip;
        text.append(party).append(chosen.after.in(lang));
    }
    return text;
}

} // namespace

std::string label(Category category, Lang lang) {
    return std::string(labels[category].in(lang));
}

std::string sentence(std::string_view app, const Verdict& verdict,
                     const std::optional<std::string>& host, std::string_view ip, Lang lang,
                     platform::Wording wording) {
    return described(quoted(app, lang), verdict, host, ip, lang, wording);
}

std::string sentenceOfAnyProgram(const Verdict& verdict, const std::optional<std::string>& host,
                                 std::string_view ip, Lang lang, platform::Wording wording) {
    return described(std::string(anyProgram.in(lang)), verdict, host, ip, lang, wording);
}

std::string sentence(const AppIdentity& app, const Verdict& verdict,
                     const std::optional<std::string>& host, std::string_view ip, Lang lang,
                     platform::Wording wording) {
    return described(subject(app, lang), verdict, host, ip, lang, wording);
}

std::string sentence(const Connection& connection, Lang lang, platform::Wording wording) {
    const Verdict& verdict = connection.verdict;
    if (!connection.incoming)
        return sentence(connection.app, verdict, connection.host, connection.ip, lang, wording);
    const std::string& party = verdict.company ? *verdict.company : connection.dest();
    return subject(connection.app, lang)
        .append(Bilingual{" accepted a connection from ", " принимает соединение от "}.in(lang))
        .append(party)
        .append(".");
}

std::string rulesDoNotApply(Lang lang) {
    return std::string(Bilingual{"Rules do not apply to incoming connections.",
                                 "Правила не действуют на входящие соединения."}
                           .in(lang));
}

} // namespace Explainer

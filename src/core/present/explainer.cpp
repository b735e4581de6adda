#include "present/explainer.h"

#include <array>

#include "present/bilingual.h"

namespace Explainer {

namespace {

// Indexed by category rank.
constexpr std::array<Bilingual, 12> labels{{
    {"Local", "Своя сеть"},
    {"Apple", "Apple"},
    {"System", "Система"},
    {"Cloud", "Облако"},
    {"CDN", "Загрузки"},
    {"Service", "Сервис"},
    {"Unknown", "Неизвестно"},
    {"Telemetry", "Отчёты"},
    {"Social", "Соцсеть"},
    {"Analytics", "Статистика"},
    {"Tracker", "Трекер"},
    {"Ads", "Реклама"},
}};

// A sentence template: the fixed text before the program, between the program and the party,
// and after the party. Templates that do not name the party put all the rest in `middle`.
struct Template {
    Bilingual before;
    Bilingual middle;
    Bilingual after;
    bool namesParty = true;
};

// Indexed by category rank. The quotation marks around the program are added separately.
constexpr std::array<Template, 12> templates{{
    {{"", ""},
     {" talks to a device on your network or this Mac.",
      " связывается с устройством в вашей сети или на этом Mac."},
     {"", ""},
     false},
    {{"", ""},
     {" talks to Apple (iCloud, updates, notifications) — normal.",
      " связывается с Apple (iCloud, обновления, уведомления) — обычное дело."},
     {"", ""},
     false},
    {{"macOS service ", "Служба macOS "}, {" talks to ", " связывается с "}, {".", "."}},
    {{"", ""},
     {" talks to a cloud server at ", " связывается с облачным сервером "},
     {" — usually the program's own server.", " — чаще всего это сервер самой программы."}},
    {{"", ""},
     {" downloads files through ", " загружает файлы через сеть доставки "},
     {"'s delivery network — usually images, updates or pages.",
      " — обычно это картинки, обновления, страницы."}},
    {{"", ""}, {" talks to the ", " связывается со своим сервисом "}, {" service.", "."}},
    {{"", ""},
     {" talks to ", " связывается с "},
     {"; we don't know who that is.", "; кто это — неизвестно."}},
    {{"", ""},
     {" sends usage and crash reports to ", " отправляет отчёты о работе и сбоях в "},
     {".", "."}},
    {{"", ""},
     {" talks to the social network ", " связывается с соцсетью "},
     {", which can learn that you opened it.",
      " — она может узнать, что вы открыли эту программу."}},
    {{"", ""},
     {" tells ", " сообщает "},
     {" how you use it (usage statistics).", ", как вы пользуетесь программой (статистика)."}},
    {{"", ""},
     {" talks to ", " связывается с "},
     {", which is on public lists of trackers and ads.",
      " — это адрес из открытых списков трекеров и рекламы."}},
    {{"", ""},
     {" is sending data to the ad network ", " отправляет данные рекламной сети "},
     {".", "."}},
}};

// On Linux the sentences that name the operating system speak of it in general terms.
constexpr Template linuxLocal{{"", ""},
                              {" talks to a device on your network or this computer.",
                               " связывается с устройством в вашей сети или на этом компьютере."},
                              {"", ""},
                              false};
constexpr Template linuxSystem{
    {"System service ", "Системная служба "}, {" talks to ", " связывается с "}, {".", "."}};

const Template& templateFor(Category category, platform::Wording wording) {
    if (wording == platform::Wording::linux && category == Category::local) return linuxLocal;
    if (wording == platform::Wording::linux && category == Category::system) return linuxSystem;
    return templates[static_cast<size_t>(Categories::rank(category))];
}

std::string quoted(std::string_view app, Lang lang) {
    std::string text(lang == Lang::ru ? "«" : "“");
    return text.append(app).append(lang == Lang::ru ? "»" : "”");
}

} // namespace

std::string label(Category category, Lang lang) {
    return std::string(labels[static_cast<size_t>(Categories::rank(category))].in(lang));
}

std::string sentence(std::string_view app, const Verdict& verdict,
                     const std::optional<std::string>& host, std::string_view ip, Lang lang,
                     platform::Wording wording) {
    const Template& chosen = templateFor(verdict.category, wording);
    std::string text(chosen.before.in(lang));
    text.append(quoted(app, lang)).append(chosen.middle.in(lang));
    if (chosen.namesParty) {
        std::string_view party = verdict.company ? std::string_view(*verdict.company)
                                 : host          ? std::string_view(*host)
                                                 : ip;
        text.append(party).append(chosen.after.in(lang));
    }
    return text;
}

} // namespace Explainer

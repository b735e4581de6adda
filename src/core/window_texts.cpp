#include "window_texts.h"

#include <array>

#include "bilingual.h"

namespace WindowTexts {

namespace {

// Indexed by key; the tabs in tab order.
constexpr std::array<Bilingual, 6> texts{{
    {"Block everything new", "Запретить всё новое"},
    {"Quiet", "Тихо"},
    {"Programs", "Программы"},
    {"Journal", "Журнал"},
    {"Rules", "Правила"},
    {"Settings", "Настройки"},
}};

constexpr size_t firstTab = static_cast<size_t>(Key::programs);

} // namespace

std::string text(Key key, Lang lang) {
    return std::string(texts[static_cast<size_t>(key)].in(lang));
}

std::string tabName(int tab, Lang lang) {
    const size_t index = tab >= 0 && tab <= 3 ? firstTab + static_cast<size_t>(tab) : firstTab;
    return std::string(texts[index].in(lang));
}

std::string footer(std::string_view source, size_t listedDomains, Lang lang,
                   platform::Wording wording) {
    const bool mac = wording == platform::Wording::macos;
    const std::string count = std::to_string(listedDomains);
    std::string text;
    if (lang == Lang::ru)
        return text
            .append(mac ? "Ничего не уходит с этого Mac. Источник: "
                        : "Ничего не уходит с этого компьютера. Источник: ")
            .append(source)
            .append(" · в списках доменов: ")
            .append(count);
    return text
        .append(mac ? "Nothing leaves this Mac. Source: "
                    : "Nothing leaves this computer. Source: ")
        .append(source)
        .append(" · lists: ")
        .append(count)
        .append(" domains");
}

} // namespace WindowTexts

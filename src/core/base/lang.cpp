// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/lang.h"

#include <array>

#include <nlohmann/json.hpp>

#include "base/enum_text.h"
#include "platform.h"

namespace {
constexpr std::array<std::string_view, 2> names{"en", "ru"};
}

namespace Langs {

std::string name(Lang lang) {
    return EnumText::name(names, lang);
}

std::optional<Lang> from(std::string_view text) {
    return EnumText::parse<Lang>(names, text);
}

Lang fromPreferred(const std::vector<std::string>& tags) {
    return !tags.empty() && tags.front().starts_with("ru") ? Lang::ru : Lang::en;
}

Lang system() {
    return fromPreferred(platform::current().preferredLanguages());
}

} // namespace Langs

void to_json(nlohmann::json& json, Lang lang) {
    json = Langs::name(lang);
}

void from_json(const nlohmann::json& json, Lang& lang) {
    lang = EnumText::decode<Lang>(names, json, "language");
}

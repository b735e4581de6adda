// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

// The language in which the system speaks to the user.
enum class Lang { en, ru };

namespace Langs {

std::string name(Lang lang);
// Exactly "en" or "ru".
std::optional<Lang> from(std::string_view text);
// Russian when the first preferred language tag begins with "ru"; English otherwise.
Lang fromPreferred(const std::vector<std::string>& tags);
// The operating system's language, from the current platform's preferred languages.
Lang system();

} // namespace Langs

void to_json(nlohmann::json& json, Lang lang);
void from_json(const nlohmann::json& json, Lang& lang);

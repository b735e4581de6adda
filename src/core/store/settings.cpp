// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/settings.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "base/json_optional.h"
#include "base/json_strict.h"
#include "base/json_text.h"
#include "base/unusable_file.h"

Lang Settings::lang() const {
    if (auto chosen = Langs::from(language)) return *chosen;
    return Langs::system();
}

void to_json(nlohmann::json& json, const Settings& settings) {
    json = {{"quiet", settings.quiet},
            {"interval", settings.interval},
            {"language", settings.language},
            {"showLocal", settings.showLocal},
            {"paused", settings.paused},
            {"exportJournal", settings.exportJournal},
            {"blockAtDeadline", settings.blockAtDeadline}};
}

void from_json(const nlohmann::json& json, Settings& settings) {
    settings = {json.at("quiet").get<bool>(),
                JsonStrict::number(json, "interval"),
                json.at("language").get<std::string>(),
                json.at("showLocal").get<bool>(),
                json.at("paused").get<bool>(),
                JsonOptional::get<bool>(json, "exportJournal").value_or(false),
                JsonOptional::get<bool>(json, "blockAtDeadline").value_or(false)};
}

SettingsReading readSettings(const std::string& path) {
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) return {};
    // Five short settings: a larger file is no settings file of ours.
    constexpr size_t maxBytes = 64 * 1024;
    Result<std::string> text = AtomicFile::read(path, maxBytes);
    if (!text)
        return {std::nullopt,
                text.error().code == EFBIG ? "it is larger than 64 KiB" : "it cannot be read"};
    std::optional<Settings> settings = JsonText::decode<Settings>(*text);
    if (!settings) return {std::nullopt, "it does not hold exactly the settings"};
    return {settings, std::nullopt};
}

std::optional<Settings> loadSettings(const std::string& path) {
    return readSettings(path).settings;
}

Result<void> writeSettings(const std::string& path, const Settings& settings) {
    std::filesystem::path directory = std::filesystem::path(path).parent_path();
    std::error_code failure;
    if (!directory.empty()) std::filesystem::create_directories(directory, failure);
    if (failure) return Error::fromCode("cannot create " + directory.string(), failure);
    auto decodes = [](const std::string& text) {
        return JsonText::decode<Settings>(text).has_value();
    };
    if (Result<void> kept = UnusableFile::keepAside(path, decodes); !kept) return kept;
    return AtomicFile::write(path, JsonText::dump(settings));
}

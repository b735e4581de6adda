// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/app_identity.h"

#include <algorithm>
#include <array>

#include <nlohmann/json.hpp>

#include "base/bilingual.h"
#include "base/enum_text.h"
#include "base/json_optional.h"
#include "base/text.h"
#include "base/utf8.h"
#include "observe/system_names.h"

namespace {

constexpr std::array<std::string_view, static_cast<size_t>(AppIdentity::Kind::count)> kindNames{
    "program", "systemService", "userService", "application", "userProgram", "unseen", "unknown"};

constexpr Bilingual programOfUser{"Program of user ", "Программа пользователя "};
constexpr Bilingual unseenProgram{"Program not seen (closed first)",
                                  "Программа не видна (закрыла раньше)"};
constexpr Bilingual unknownProgram{"Unknown program", "Неизвестная программа"};

std::string displayName(std::string_view executable, Lang lang) {
    return SystemNames::friendly(executable, lang).value_or(AppIdentity::readable(executable));
}

std::string joinedPrefix(const std::vector<std::string_view>& components, size_t last) {
    std::string path;
    for (size_t i = 0; i <= last; ++i)
        path.append("/").append(components[i]);
    return path;
}

// The name of the package a sandboxed program runs from: snap's "/snap/<name>/...", or for
// Flatpak's "/app/..." (which names no package) the lister's process name.
std::optional<std::string_view> packageName(std::string_view path,
                                            const std::vector<std::string_view>& components,
                                            std::string_view fallback) {
    if (path.starts_with("/snap/") && components.size() > 2) return components[1];
    if (path.starts_with("/app/")) return fallback;
    return std::nullopt;
}

std::string executableName(const std::vector<std::string_view>& components,
                           std::string_view fallback) {
    auto extension = std::find_if(components.begin(), components.end(), [](std::string_view c) {
        return c.ends_with(".systemextension") || c.ends_with(".appex");
    });
    if (extension == components.end())
        return std::string(components.empty() ? fallback : components.back());
    std::vector<std::string_view> pieces = Text::splitNonEmpty(*extension, '.');
    std::string name;
    for (size_t i = 0; i + 1 < pieces.size(); ++i)
        name.append(i ? "." : "").append(pieces[i]);
    return name;
}

} // namespace

std::string AppIdentity::readable(std::string_view name) {
    static constexpr std::array<std::string_view, 7> domains{"com", "io", "org", "net",
                                                             "app", "co", "dev"};
    std::vector<std::string_view> pieces = Text::splitNonEmpty(name, '.');
    if (pieces.size() <= 2 || pieces[1] == "apple" ||
        std::find(domains.begin(), domains.end(), pieces[0]) == domains.end())
        return std::string(name);
    std::string word(pieces[1]);
    if (word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 'a' + 'A');
    return word;
}

AppIdentity AppIdentity::from(const std::optional<std::string>& path, std::string_view fallback,
                              Lang lang, const platform::Descriptor& platform) {
    if (!path || path->empty())
        return {displayName(fallback, lang), std::nullopt, std::nullopt, false};
    std::vector<std::string_view> components = Text::splitNonEmpty(*path, '/');
    auto bundle = std::find_if(components.begin(), components.end(),
                               [](std::string_view c) { return c.ends_with(".app"); });
    if (platform.appBundles && bundle != components.end()) {
        std::string name(bundle->substr(0, bundle->size() - 4));
        return {name, joinedPrefix(components, bundle - components.begin()), *path,
                path->starts_with("/System/")};
    }
    if (platform.packagePaths)
        if (auto package = packageName(*path, components, fallback))
            return {displayName(*package, lang), std::nullopt, *path, false};
    bool isSystem =
        std::any_of(platform.systemPrefixes.begin(), platform.systemPrefixes.end(),
                    [&](const std::string& prefix) { return path->starts_with(prefix); });
    return {displayName(executableName(components, fallback), lang), std::nullopt, *path, isSystem};
}

AppIdentity AppIdentity::ofUnit(std::string_view unit,
                                const std::optional<std::string>& description, bool system) {
    std::string name =
        description ? *description + " (" + std::string(unit) + ")" : std::string(unit);
    return {std::move(name), std::nullopt, std::nullopt, system,
            system ? Kind::systemService : Kind::userService};
}

AppIdentity AppIdentity::ofApplication(std::string name) {
    return {std::move(name), std::nullopt, std::nullopt, false, Kind::application};
}

AppIdentity AppIdentity::ofUser(std::string_view user, Lang lang) {
    return {std::string(programOfUser.in(lang)).append(user),
            std::nullopt,
            std::nullopt,
            false,
            Kind::userProgram,
            std::string(user)};
}

AppIdentity AppIdentity::unseen(Lang lang) {
    return {std::string(unseenProgram.in(lang)), std::nullopt, std::nullopt, false, Kind::unseen};
}

AppIdentity AppIdentity::unknown(Lang lang) {
    return {std::string(unknownProgram.in(lang)), std::nullopt, std::nullopt, false, Kind::unknown};
}

std::optional<std::string> pidPath(int32_t pid, const platform::Descriptor& platform) {
    auto raw = platform.executablePath(pid);
    if (!raw || raw->empty()) return std::nullopt;
    return Utf8::decodeLossy(*raw);
}

void to_json(nlohmann::json& json, const AppIdentity& identity) {
    json = {{"name", identity.name}, {"isSystem", identity.isSystem}};
    JsonOptional::put(json, "bundlePath", identity.bundlePath);
    JsonOptional::put(json, "exePath", identity.exePath);
    if (identity.kind != AppIdentity::Kind::program)
        json["kind"] = EnumText::name(kindNames, identity.kind);
    JsonOptional::put(json, "user", identity.user);
}

void from_json(const nlohmann::json& json, AppIdentity& identity) {
    auto kind =
        json.contains("kind")
            ? EnumText::decode<AppIdentity::Kind>(kindNames, json.at("kind"), "kind of program")
            : AppIdentity::Kind::program;
    identity = {
        json.at("name").get<std::string>(), JsonOptional::get<std::string>(json, "bundlePath"),
        JsonOptional::get<std::string>(json, "exePath"), json.at("isSystem").get<bool>(), kind};
}

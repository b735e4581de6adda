#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "base/lang.h"
#include "platform.h"

// Who a process is, as the user would name it.
struct AppIdentity {
    std::string name;
    // The outermost application bundle holding the executable.
    std::optional<std::string> bundlePath;
    std::optional<std::string> exePath;
    bool isSystem = false;

    bool operator==(const AppIdentity&) const = default;

    // The identity of the program at `path` (from pidPath), named in `lang`; `fallback`, the
    // lister's process name, is used only when there is no path.
    static AppIdentity from(const std::optional<std::string>& path, std::string_view fallback,
                            Lang lang, const platform::Descriptor& platform = platform::current());
    // "com.example.tool" becomes "Example"; other names stay as they are.
    static std::string readable(std::string_view name);
};

// The executable path of a process, decoded as UTF-8; absent when the system does not tell.
std::optional<std::string> pidPath(int32_t pid,
                                   const platform::Descriptor& platform = platform::current());

void to_json(nlohmann::json& json, const AppIdentity& identity);
void from_json(const nlohmann::json& json, AppIdentity& identity);

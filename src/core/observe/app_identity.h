// SPDX-License-Identifier: GPL-3.0-or-later
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
    // How the program was recognised.
    enum class Kind {
        // By its executable, or else the lister's process name.
        program,
        // By the systemd unit its cgroup belongs to: a service of the system, or of a user.
        systemService,
        userService,
        // By the desktop application (scope or service) its cgroup belongs to.
        application,
        // Only by the user who made the connection.
        userProgram,
        // Not at all: its program closed the connection before it could be seen.
        unseen,
        // Not at all: the lister told nothing of who holds the socket.
        unknown,
        count
    };

    std::string name;
    // The outermost application bundle holding the executable.
    std::optional<std::string> bundlePath{};
    std::optional<std::string> exePath{};
    bool isSystem = false;
    Kind kind = Kind::program;
    // The login name of the user whose program it is, when that is all that is known.
    std::optional<std::string> user{};

    bool operator==(const AppIdentity&) const = default;

    // A program named by something other than its process: the sentences about it say so
    // instead of quoting its name.
    bool anonymous() const {
        return kind == Kind::userProgram || kind == Kind::unseen || kind == Kind::unknown;
    }

    // The identity of the program at `path` (from pidPath), named in `lang`; `fallback`, the
    // lister's process name, is used only when there is no path.
    static AppIdentity from(const std::optional<std::string>& path, std::string_view fallback,
                            Lang lang, const platform::Descriptor& platform = platform::current());
    // "com.example.tool" becomes "Example"; other names stay as they are.
    static std::string readable(std::string_view name);

    // A systemd unit: its description and name, as in "CUPS Scheduler (cups.service)", or the
    // name alone.
    static AppIdentity ofUnit(std::string_view unit, const std::optional<std::string>& description,
                              bool system);
    // A desktop application, by the name its launcher shows.
    static AppIdentity ofApplication(std::string name);
    // "Program of user NAME".
    static AppIdentity ofUser(std::string_view user, Lang lang);
    static AppIdentity unseen(Lang lang);
    static AppIdentity unknown(Lang lang);
};

// The executable path of a process, decoded as UTF-8; absent when the system does not tell.
std::optional<std::string> pidPath(int32_t pid,
                                   const platform::Descriptor& platform = platform::current());

void to_json(nlohmann::json& json, const AppIdentity& identity);
void from_json(const nlohmann::json& json, AppIdentity& identity);

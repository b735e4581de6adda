// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "observe/listed_socket.h"

// One remote endpoint of one process as a connection lister reported it.
struct Flow {
    int32_t pid = -1;
    std::string process;
    std::string proto;
    std::string remoteIP;
    int64_t remotePort = 0;
    int64_t bytesIn = 0;
    int64_t bytesOut = 0;
    // What the lister knows of the socket besides (not part of the JSON form).
    SocketFacts facts{};
    // The executable that made the connection, as the event service saw it at connect(); the
    // process may be gone since. Absent when it was not seen.
    std::optional<std::string> exePath{};

    bool operator==(const Flow&) const = default;
};

// The seven lister fields; the facts and the executable are left out.
void to_json(nlohmann::json& json, const Flow& flow);
// All seven keys are required; a missing key or wrong type throws nlohmann::json::exception.
void from_json(const nlohmann::json& json, Flow& flow);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "classify/verdict.h"
#include "observe/app_identity.h"

// A flow with its program, host name and classification.
struct Connection {
    int32_t pid = -1;
    AppIdentity app;
    std::string proto;
    std::string ip;
    int64_t port = 0;
    std::optional<std::string> host;
    Verdict verdict;
    int64_t bytesIn = 0;
    int64_t bytesOut = 0;
    // The other end connected to a listening socket of this system: `ip` and `port` are the
    // other end's, and the rules, which govern what programs reach, do not apply.
    bool incoming = false;

    bool operator==(const Connection&) const = default;

    // pid|ip|port|proto: identifies a connection within one scan.
    std::string id() const;
    // The destination as shown to the user: the host name when known, else the address.
    const std::string& dest() const { return host ? *host : ip; }
};

void to_json(nlohmann::json& json, const Connection& connection);
void from_json(const nlohmann::json& json, Connection& connection);

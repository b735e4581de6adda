// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/connection.h"

#include <nlohmann/json.hpp>

#include "base/json_optional.h"

std::string Connection::id() const {
    return std::to_string(pid) + "|" + ip + "|" + std::to_string(port) + "|" + proto;
}

void to_json(nlohmann::json& json, const Connection& connection) {
    json = {{"pid", connection.pid},         {"app", connection.app},
            {"proto", connection.proto},     {"ip", connection.ip},
            {"port", connection.port},       {"verdict", connection.verdict},
            {"bytesIn", connection.bytesIn}, {"bytesOut", connection.bytesOut}};
    JsonOptional::put(json, "host", connection.host);
    if (connection.incoming) json["incoming"] = true;
}

void from_json(const nlohmann::json& json, Connection& connection) {
    connection = {json.at("pid").get<int32_t>(),       json.at("app").get<AppIdentity>(),
                  json.at("proto").get<std::string>(), json.at("ip").get<std::string>(),
                  json.at("port").get<int64_t>(),      JsonOptional::get<std::string>(json, "host"),
                  json.at("verdict").get<Verdict>(),   json.at("bytesIn").get<int64_t>(),
                  json.at("bytesOut").get<int64_t>(),  json.value("incoming", false)};
}

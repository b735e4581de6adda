// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/flow.h"

#include <nlohmann/json.hpp>

void to_json(nlohmann::json& json, const Flow& flow) {
    json = {{"pid", flow.pid},           {"process", flow.process},       {"proto", flow.proto},
            {"remoteIP", flow.remoteIP}, {"remotePort", flow.remotePort}, {"bytesIn", flow.bytesIn},
            {"bytesOut", flow.bytesOut}};
}

void from_json(const nlohmann::json& json, Flow& flow) {
    flow = {json.at("pid").get<int32_t>(),        json.at("process").get<std::string>(),
            json.at("proto").get<std::string>(),  json.at("remoteIP").get<std::string>(),
            json.at("remotePort").get<int64_t>(), json.at("bytesIn").get<int64_t>(),
            json.at("bytesOut").get<int64_t>()};
}

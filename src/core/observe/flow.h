#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json_fwd.hpp>

// One remote endpoint of one process as a connection lister reported it.
struct Flow {
    int32_t pid = -1;
    std::string process;
    std::string proto;
    std::string remoteIP;
    int64_t remotePort = 0;
    int64_t bytesIn = 0;
    int64_t bytesOut = 0;

    bool operator==(const Flow&) const = default;
};

void to_json(nlohmann::json& json, const Flow& flow);
// All seven keys are required; a missing key or wrong type throws nlohmann::json::exception.
void from_json(const nlohmann::json& json, Flow& flow);

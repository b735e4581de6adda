// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/connect_event.h"

#include <nlohmann/json.hpp>

#include "base/json_optional.h"
#include "base/json_strict.h"
#include "base/json_text.h"

namespace EventWire {

namespace {

int64_t milliseconds(Dates::TimePoint at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

nlohmann::json encoded(const ConnectEvent& event) {
    nlohmann::json json = {
        {"at", milliseconds(event.at)}, {"pid", event.pid},         {"uid", event.uid},
        {"cgroup", event.cgroupId},     {"comm", event.comm},       {"dev", event.exeDevice},
        {"ino", event.exeInode},        {"cookie", event.cookie},   {"proto", event.proto},
        {"ip", event.remoteIP},         {"port", event.remotePort}, {"refused", event.refused}};
    JsonOptional::put(json, "exe", event.exePath);
    return json;
}

ConnectEvent decoded(const nlohmann::json& json) {
    ConnectEvent event;
    event.at = Dates::TimePoint(std::chrono::milliseconds(json.at("at").get<int64_t>()));
    event.pid = static_cast<int32_t>(JsonStrict::integer(json, "pid"));
    event.uid = static_cast<uint32_t>(JsonStrict::natural(json, "uid"));
    event.cgroupId = JsonStrict::natural(json, "cgroup");
    event.comm = json.at("comm").get<std::string>();
    event.exePath = JsonOptional::get<std::string>(json, "exe");
    event.exeDevice = JsonStrict::natural(json, "dev");
    event.exeInode = JsonStrict::natural(json, "ino");
    event.cookie = JsonStrict::natural(json, "cookie");
    event.proto = json.at("proto").get<std::string>();
    event.remoteIP = json.at("ip").get<std::string>();
    event.remotePort = JsonStrict::integer(json, "port");
    event.refused = json.at("refused").get<bool>();
    return event;
}

struct Encoder {
    nlohmann::json operator()(const Hello& hello) const {
        return {{"service", "nattervane-events"}, {"version", hello.version}};
    }
    nlohmann::json operator()(const Beat& beat) const { return {{"beat", beat.dropped}}; }
    nlohmann::json operator()(const Refusal& refusal) const {
        return {{"refused", refusal.reason}};
    }
    nlohmann::json operator()(const ConnectEvent& event) const { return encoded(event); }
};

Message decodedMessage(const nlohmann::json& json) {
    if (json.contains("service")) return Hello{json.at("version").get<int>()};
    if (json.contains("beat")) return Beat{JsonStrict::natural(json, "beat")};
    if (json.contains("refused") && json.at("refused").is_string())
        return Refusal{json.at("refused").get<std::string>()};
    return decoded(json);
}

} // namespace

std::string line(const Message& message) {
    return JsonText::dump(std::visit(Encoder{}, message)) + "\n";
}

std::optional<Message> read(std::string_view line) {
    try {
        nlohmann::json json = nlohmann::json::parse(line);
        if (!json.is_object()) return std::nullopt;
        return decodedMessage(json);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace EventWire

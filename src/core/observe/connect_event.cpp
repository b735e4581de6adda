// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/connect_event.h"

#include <algorithm>
#include <array>

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
    if (event.held) json["held"] = true;
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
    event.held = json.value("held", false);
    return event;
}

constexpr std::array<std::string_view, 3> settledBy{"answer", "deadline", "nobody"};

nlohmann::json encoded(const HeldQuestion& question) {
    nlohmann::json json = {{"question", question.id},
                           {"event", encoded(question.first)},
                           {"waiting", question.waiting},
                           {"deadline", milliseconds(question.deadline)}};
    JsonOptional::put(json, "host", question.host);
    return json;
}

HeldQuestion decodedQuestion(const nlohmann::json& json) {
    HeldQuestion question;
    question.id = JsonStrict::natural(json, "question");
    question.first = decoded(json.at("event"));
    question.host = JsonOptional::get<std::string>(json, "host");
    question.waiting = static_cast<uint32_t>(JsonStrict::natural(json, "waiting"));
    question.deadline =
        Dates::TimePoint(std::chrono::milliseconds(JsonStrict::integer(json, "deadline")));
    return question;
}

HeldSettled decodedSettled(const nlohmann::json& json) {
    const std::string by = json.at("by").get<std::string>();
    auto found = std::find(settledBy.begin(), settledBy.end(), by);
    if (found == settledBy.end())
        throw nlohmann::json::other_error::create(503, "no known end of a question", &json);
    return {JsonStrict::natural(json, "settled"), json.at("allowed").get<bool>(),
            static_cast<HeldSettled::By>(found - settledBy.begin())};
}

struct Encoder {
    nlohmann::json operator()(const Hello& hello) const {
        nlohmann::json json = {{"service", "nattervane-events"}, {"version", hello.version}};
        if (!hello.hold.empty()) json["hold"] = hello.hold;
        return json;
    }
    nlohmann::json operator()(const HeldQuestion& question) const { return encoded(question); }
    nlohmann::json operator()(const HeldSettled& settled) const {
        return {{"settled", settled.id},
                {"allowed", settled.allowed},
                {"by", settledBy[static_cast<size_t>(settled.by)]}};
    }
    nlohmann::json operator()(const Listed& listed) const { return {{"listed", listed.count}}; }
    nlohmann::json operator()(const Beat& beat) const { return {{"beat", beat.dropped}}; }
    nlohmann::json operator()(const Refusal& refusal) const {
        return {{"refused", refusal.reason}};
    }
    nlohmann::json operator()(const ConnectEvent& event) const { return encoded(event); }
};

Message decodedMessage(const nlohmann::json& json) {
    if (json.contains("service"))
        return Hello{json.at("version").get<int>(), json.value("hold", std::string())};
    if (json.contains("question")) return decodedQuestion(json);
    if (json.contains("settled")) return decodedSettled(json);
    if (json.contains("listed")) return Listed{JsonStrict::natural(json, "listed")};
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
    return JsonText::decodeObject(line, decodedMessage);
}

} // namespace EventWire

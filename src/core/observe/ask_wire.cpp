// SPDX-License-Identifier: GPL-3.0-or-later
#include "observe/ask_wire.h"

#include <nlohmann/json.hpp>

#include "base/json_strict.h"
#include "base/json_text.h"

namespace AskWire {

namespace {

struct Encoder {
    nlohmann::json operator()(const Attach& attach) const {
        return {{"attach", attach.blockAtDeadline ? "block" : "allow"}};
    }
    nlohmann::json operator()(const List&) const { return {{"list", true}}; }
    nlohmann::json operator()(const Answer& answer) const {
        return {{"answer", answer.id}, {"verdict", answer.allow ? "allow" : "block"}};
    }
    nlohmann::json operator()(const Extend& extend) const { return {{"extend", extend.id}}; }
};

// "allow" or "block" at `key`.
bool allows(const nlohmann::json& json, const char* key) {
    const std::string verdict = json.at(key).get<std::string>();
    if (verdict != "allow" && verdict != "block")
        throw nlohmann::json::other_error::create(503, "not allow or block", &json);
    return verdict == "allow";
}

Request decoded(const nlohmann::json& json) {
    if (json.contains("attach")) return Attach{!allows(json, "attach")};
    if (json.contains("list")) return List{};
    if (json.contains("answer"))
        return Answer{JsonStrict::natural(json, "answer"), allows(json, "verdict")};
    return Extend{JsonStrict::natural(json, "extend")};
}

} // namespace

std::string line(const Request& request) {
    return JsonText::dump(std::visit(Encoder{}, request)) + "\n";
}

std::optional<Request> read(std::string_view line) {
    return JsonText::decodeObject(line, decoded);
}

} // namespace AskWire

// SPDX-License-Identifier: GPL-3.0-or-later
#include "json_fields.h"

#include <nlohmann/json.hpp>

namespace JsonFields {

nlohmann::json connection(const Connection& connection) {
    nlohmann::json json = connection;
    json["program"] = connection.app.name;
    json["dest"] = connection.dest();
    return json;
}

nlohmann::json connections(const std::vector<Connection>& connections) {
    nlohmann::json list = nlohmann::json::array();
    for (const Connection& each : connections)
        list.push_back(connection(each));
    return list;
}

nlohmann::json flow(const Flow& flow, const std::string& program) {
    // "process" stays: it is the process's own name as the lister reports it, not the program's.
    nlohmann::json json = flow;
    json["program"] = program;
    json["ip"] = flow.remoteIP;
    json["port"] = flow.remotePort;
    json["dest"] = flow.remoteIP;
    return json;
}

nlohmann::json journalEntries(const std::vector<JournalEntry>& entries) {
    nlohmann::json list = nlohmann::json::array();
    for (const JournalEntry& entry : entries) {
        list.push_back(entry);
        list.back()["program"] = entry.app;
    }
    return list;
}

} // namespace JsonFields

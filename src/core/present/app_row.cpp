// SPDX-License-Identifier: GPL-3.0-or-later
#include "present/app_row.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <unordered_map>

AppRow AppRow::withFirstConnection() const {
    AppRow first{name, bundlePath, isSystem, {}, worst, trackerCount, bytesOut, rate};
    if (!conns.empty()) first.conns.push_back(conns.front());
    return first;
}

AppRow AppRow::from(const std::vector<Connection>& group) {
    AppRow row;
    if (group.empty()) return row;
    row.name = group.front().app.name;
    row.bundlePath = group.front().app.bundlePath;
    row.isSystem = group.front().app.isSystem;
    row.conns = group;
    // What the program reaches comes before who reaches it: a destination both ways is offered
    // with its rules.
    std::stable_sort(row.conns.begin(), row.conns.end(), [](const auto& a, const auto& b) {
        return std::tuple(!a.incoming, Categories::rank(a.verdict.category), a.bytesOut) >
               std::tuple(!b.incoming, Categories::rank(b.verdict.category), b.bytesOut);
    });
    row.worst = row.conns.front().verdict.category;
    std::set<std::string> tracking;
    for (const Connection& connection : group) {
        // Who connects to the program is not whom it tells about you.
        if (!connection.incoming && Categories::isTracking(connection.verdict.category))
            tracking.insert(connection.dest());
        row.bytesOut += connection.bytesOut;
    }
    row.trackerCount = static_cast<int>(tracking.size());
    return row;
}

std::vector<AppRow> AppRow::rows(const std::vector<Connection>& connections) {
    std::vector<std::vector<Connection>> groups;
    std::unordered_map<std::string, size_t> groupOf;
    for (const Connection& connection : connections) {
        auto [found, created] = groupOf.try_emplace(connection.app.name, groups.size());
        if (created) groups.emplace_back();
        groups[found->second].push_back(connection);
    }
    std::vector<AppRow> rows;
    for (const auto& group : groups)
        rows.push_back(from(group));
    std::stable_sort(rows.begin(), rows.end(), [](const AppRow& a, const AppRow& b) {
        return std::tuple(a.trackerCount, Categories::rank(a.worst), a.conns.size()) >
               std::tuple(b.trackerCount, Categories::rank(b.worst), b.conns.size());
    });
    return rows;
}

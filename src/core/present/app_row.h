// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "classify/category.h"
#include "observe/connection.h"
#include "observe/traffic_rate.h"

// One program online in the last scan, with its connections worst first.
struct AppRow {
    // The program name; also the row's identity.
    std::string name;
    // Of the group's first connection in scan order.
    std::optional<std::string> bundlePath;
    bool isSystem = false;
    // Higher category first, then more bytes sent; otherwise in scan order.
    std::vector<Connection> conns;
    Category worst = Category::unknown;
    // Distinct destinations (host, else address) of tracking connections the program made.
    int trackerCount = 0;
    int64_t bytesOut = 0;
    // Bytes a second received and sent since the previous scan; absent on the first.
    std::optional<Rate> rate;

    bool operator==(const AppRow&) const = default;

    // The same row with its first connection only, which its icon and header are drawn from:
    // for views that keep a row without holding its thousands of connections again.
    AppRow withFirstConnection() const;

    // The row of one program's connections, given in scan order.
    static AppRow from(const std::vector<Connection>& group);
    // One row per program name, in display order: more trackers first, then the worse
    // category, then more connections.
    static std::vector<AppRow> rows(const std::vector<Connection>& connections);
};

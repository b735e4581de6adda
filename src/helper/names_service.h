// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>

#include <sys/types.h>

// `nattervane-helper names`: follows dnsmasq's query log and publishes which name each answered
// address was for.
namespace NamesService {

struct Settings {
    // The query log dnsmasq appends to (a file under /run); it is cut back to nothing whenever
    // it grows past `maxLogBytes`, so it never holds more than a few recent lines.
    std::string logFile;
    // The published map, "ADDRESS NAME" per line, readable by root and `owner` only.
    std::string namesFile;
    uid_t owner = 0;
    gid_t group = 0;
    size_t capacity = 4096;
    std::chrono::seconds lifetime{3600};
    off_t maxLogBytes = 256 * 1024;
    // How often the log is read.
    std::chrono::milliseconds interval{200};
};

// Runs until `stop` becomes true, then removes the published file. 0 after a stop, 1 when the
// log cannot be opened.
int run(const Settings& settings, const std::atomic<bool>& stop, std::ostream& err);

} // namespace NamesService

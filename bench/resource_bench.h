// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the benchmarks of the shipped resource files share: the file's text, the table loaded
// from it and the process's resident memory.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

#include "base/atomic_file.h"
#include "base/resources.h"

namespace ResourceBench {

// The text of the shipped resource `name`, read once.
inline const std::string& shippedText(const std::string& name) {
    static std::string text;
    static std::string read;
    if (read != name) {
        text = AtomicFile::read(Resources::path(name)).value_or(std::string());
        read = name;
    }
    return text;
}

// The shipped resource `name` loaded into a `Table` (TrackerList or OrgTable). Timing an empty
// table would mislead, so a file that cannot be read ends the run with the reason.
template <typename Table> Table shippedTable(const std::string& name) {
    Table table;
    if (Result<void> loaded = table.loadFile(Resources::path(name)); !loaded) {
        std::cerr << "cannot benchmark: " << loaded.error().message << "\n";
        std::exit(1);
    }
    return table;
}

// Resident set size in bytes, from /proc/self/statm; 0 where that file does not exist.
inline double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

} // namespace ResourceBench

#pragma once

// What the benchmarks of the shipped resource files share: the file's text and the process's
// resident memory.
#include <fstream>
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

// Resident set size in bytes, from /proc/self/statm; 0 where that file does not exist.
inline double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

} // namespace ResourceBench

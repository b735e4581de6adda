// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/program_info.h"

#include <ostream>

namespace ProgramInfo {

std::string_view version() {
    return NATTERVANE_VERSION;
}

std::string versionLine(std::string_view program) {
    return std::string(program) + " " + std::string(version()) + "\n";
}

std::optional<int> answer(const std::vector<std::string>& arguments, std::string_view program,
                          std::string_view usage, std::ostream& out) {
    if (arguments.empty()) return std::nullopt;
    const std::string& first = arguments.front();
    if (first == "--help" || first == "-h")
        out << usage;
    else if (first == "--version" || first == "-V")
        out << versionLine(program);
    else
        return std::nullopt;
    return 0;
}

} // namespace ProgramInfo

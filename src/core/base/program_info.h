// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The version the build stamps into every program, and the two informational options all three
// programs answer before doing anything else.
namespace ProgramInfo {

// The project version, for example "0.1.0".
std::string_view version();

// "<program> <version>" and a line break.
std::string versionLine(std::string_view program);

// When the first argument is --help (or -h) or --version (or -V), prints `usage` or the version
// line to `out` and gives the exit status 0; otherwise absent, and nothing is printed.
std::optional<int> answer(const std::vector<std::string>& arguments, std::string_view program,
                          std::string_view usage, std::ostream& out);

} // namespace ProgramInfo

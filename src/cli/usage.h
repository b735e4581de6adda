// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>

namespace Usage {

// The command summary.
std::string text();
// Prints the command summary.
void print(std::ostream& out);
// Prints `problem` and the summary; returns the exit status for bad usage (2).
int fail(std::ostream& err, const std::string& problem);

} // namespace Usage

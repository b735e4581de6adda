#pragma once

#include <string>
#include <vector>

// Runs the program file at `path` with `arguments` (no shell) and returns its standard output,
// decoded as UTF-8 with invalid sequences replaced. Standard error is discarded. At `timeout`
// seconds the program (and its process group) is asked to terminate, and killed when it has not
// finished two seconds later; it is always reaped. The empty text is the only sign of failure.
std::string runTool(const std::string& path, const std::vector<std::string>& arguments,
                    double timeout);

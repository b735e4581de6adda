#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The most output a tool may write; a listing of this size is already far beyond any real one.
constexpr size_t toolOutputLimit = size_t{64} << 20;

// Runs the program file at `path` with `arguments` (no shell) and returns its standard output,
// decoded as UTF-8 with invalid sequences replaced. Standard error is discarded. At `timeout`
// seconds the program (and its process group) is asked to terminate, and killed when it has not
// finished two seconds later; it is always reaped. A program that writes more than `limit`
// bytes fails: its process group is killed at once and nothing of its output is returned. The
// empty text is the only sign of failure.
std::string runTool(const std::string& path, const std::vector<std::string>& arguments,
                    double timeout, size_t limit = toolOutputLimit);

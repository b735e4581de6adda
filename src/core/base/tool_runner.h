// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

// The most output a program may write; a listing of this size is already far beyond any real one.
constexpr size_t toolOutputLimit = size_t{64} << 20;

// Runs a program file directly (no shell) in a process group of its own, so stopping it stops
// whatever it started as well. At the timeout the group is asked to terminate and killed two
// seconds later; a program that writes more than the limit has its group killed at once. The
// program is always reaped.
namespace ToolRunner {

// What becomes of the program's standard error.
enum class ErrorOutput { discarded, merged, kept };

struct Options {
    // Written to standard input, which then ends; without it the program shares this process's.
    std::optional<std::string> input{};
    ErrorOutput errors = ErrorOutput::discarded;
    double timeout = 10.0;
    // The most bytes of output and kept errors together.
    size_t limit = toolOutputLimit;
};

struct Outcome {
    // The exit status; -1 when the program did not exit by itself: it ended on a signal or was
    // stopped at the timeout, and its output is what it wrote until then.
    int status = -1;
    // Standard output, with standard error when merged.
    std::string output{};
    // Standard error when kept.
    std::string errors{};

    bool operator==(const Outcome&) const = default;
};

// Runs the program file `argv[0]` with the rest of `argv` as its arguments. Fails when the
// program could not be started, or wrote more than the limit and was stopped for it.
Result<Outcome> run(const std::vector<std::string>& argv, const Options& options);

} // namespace ToolRunner

// The standard output of the program file at `path` run with `arguments`, whatever its exit
// status, decoded as UTF-8 with invalid sequences replaced; standard error is discarded. Fails as
// ToolRunner::run does.
Result<std::string> runTool(const std::string& path, const std::vector<std::string>& arguments,
                            double timeout, size_t limit = toolOutputLimit);

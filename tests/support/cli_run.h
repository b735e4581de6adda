// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdio>
#include <string>

#include <sys/wait.h>

struct CliResult {
    std::string out;
    int status;
};

// Runs nattervane-cli with `arguments` (shell words) and returns its standard output and exit
// status. `streams` redirects standard error (merged into the output by default); `environment`
// holds NAME=value words for the command.
inline CliResult runCli(const std::string& arguments, const std::string& streams = "2>&1",
                        const std::string& environment = "") {
    std::string command =
        environment + " " + std::string(NATTERVANE_CLI) + " " + arguments + " " + streams;
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    while (size_t count = fread(buffer.data(), 1, buffer.size(), pipe))
        out.append(buffer.data(), count);
    int status = pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

inline bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The first line of `text` after `from` that starts with `start`; empty when there is none.
inline std::string lineStarting(const std::string& text, const std::string& start,
                                size_t from = 0) {
    size_t at = text.find("\n" + start, from);
    return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

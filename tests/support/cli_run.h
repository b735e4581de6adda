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
// status; standard error is merged in unless `mergeErrors` is false.
inline CliResult runCli(const std::string& arguments, bool mergeErrors = true) {
    std::string command =
        std::string(NATTERVANE_CLI) + " " + arguments + (mergeErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer;
    while (size_t count = fread(buffer.data(), 1, buffer.size(), pipe))
        out.append(buffer.data(), count);
    int status = pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

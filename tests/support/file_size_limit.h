// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `body` in a forked child that may write files of at most `bytes` bytes, so a write fails
// part-way as on a full disk (which no permission trick does for root). True when `body` did.
inline bool withFileSizeLimit(rlim_t bytes, const std::function<bool()>& body) {
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

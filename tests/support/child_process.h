#pragma once

#include <functional>
#include <optional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

// Runs `body` in a forked child and returns the text it returned; whatever the child changes in
// itself stays there. Absent when the child ended otherwise (it may _exit with a status other
// than 0 to say it could not run).
inline std::optional<std::string> inChild(const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        std::string text = body();
        ssize_t ignored = write(fds[1], text.data(), text.size());
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t count; (count = read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(count));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <signal.h>
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

// A forked child that runs `setUp`, which opens what the child is to hold and gives a port (or -1
// when it could not), then waits until the object goes. pid() is -1 when the set-up failed.
class HeldChild {
  public:
    explicit HeldChild(const std::function<int64_t()>& setUp) {
        int ready[2];
        if (pipe(ready) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            int64_t port = setUp();
            if (port >= 0 && write(ready[1], &port, sizeof port) == sizeof port) pause();
            _exit(1);
        }
        close(ready[1]);
        if (pid_ < 0 || read(ready[0], &port_, sizeof port_) != sizeof port_) port_ = -1;
        close(ready[0]);
    }
    ~HeldChild() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    HeldChild(const HeldChild&) = delete;
    HeldChild& operator=(const HeldChild&) = delete;

    pid_t pid() const { return port_ >= 0 ? pid_ : -1; }
    int64_t port() const { return port_; }

  private:
    pid_t pid_ = -1;
    int64_t port_ = -1;
};

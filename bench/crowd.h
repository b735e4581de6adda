// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// Processes holding descriptors that are no sockets, as a desktop's programs do, until the object
// ends: every walk of /proc for the holders of a socket has to read them.
class Crowd {
  public:
    Crowd(int processes, int descriptors) {
        if (pipe2(hold_, O_CLOEXEC) != 0) return;
        for (int i = 0; i < processes; ++i) {
            pid_t pid = fork();
            if (pid == 0) {
                close(hold_[1]);
                for (int d = 0; d < descriptors; ++d)
                    if (open("/dev/null", O_RDONLY) < 0) _exit(1);
                char byte;
                while (read(hold_[0], &byte, 1) > 0) {
                }
                _exit(0);
            }
            if (pid > 0) pids_.push_back(pid);
        }
    }
    ~Crowd() {
        if (hold_[1] >= 0) close(hold_[1]);
        if (hold_[0] >= 0) close(hold_[0]);
        for (pid_t pid : pids_)
            waitpid(pid, nullptr, 0);
    }
    Crowd(const Crowd&) = delete;
    Crowd& operator=(const Crowd&) = delete;

  private:
    int hold_[2] = {-1, -1};
    std::vector<pid_t> pids_;
};

#include "command_runner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& argv, int input, int output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    std::vector<char*> pointers;
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Feeds `input` to `toChild` and collects `fromChild` until end of file or `deadline`; true at
// end of file.
bool communicate(int toChild, int fromChild, std::string_view input, std::string& output,
                 Clock::time_point deadline) {
    if (input.empty()) close(std::exchange(toChild, -1));
    char buffer[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd requests[2] = {{fromChild, POLLIN, 0}, {toChild, POLLOUT, 0}};
        int ready = poll(requests, toChild >= 0 ? 2 : 1,
                         static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        if (toChild >= 0 && requests[1].revents) {
            ssize_t count = write(toChild, input.data(), input.size());
            if (count > 0) input.remove_prefix(static_cast<size_t>(count));
            if ((count < 0 && errno != EINTR && errno != EAGAIN) || input.empty())
                close(std::exchange(toChild, -1));
        }
        if (requests[0].revents) {
            ssize_t count = read(fromChild, buffer, sizeof buffer);
            if (count > 0)
                output.append(buffer, static_cast<size_t>(count));
            else if (count == 0 || errno != EINTR) {
                if (toChild >= 0) close(toChild);
                return true;
            }
        }
    }
    if (toChild >= 0) close(toChild);
    return false;
}

} // namespace

CommandResult runCommand(const std::vector<std::string>& argv, std::string_view input,
                         double timeout) {
    // A command that exits before reading all of its input must not take this process down.
    signal(SIGPIPE, SIG_IGN);
    CommandResult result;
    int in[2], out[2];
    if (argv.empty() || pipe2(in, O_CLOEXEC) != 0) return result;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return result;
    }
    pid_t pid = spawn(argv, in[0], out[1]);
    close(in[0]);
    close(out[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        return result;
    }
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(std::max(timeout, 0.0)));
    bool finished = communicate(in[1], out[0], input, result.output, deadline);
    close(out[0]);
    if (!finished) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (finished && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

#include "base/tool_runner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/utf8.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto killGrace = std::chrono::seconds(2);
// After a kill, output held open by an escaped grandchild is waited for only this long.
constexpr auto drainGrace = std::chrono::milliseconds(500);

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

enum class Reading { ended, timedOut, tooLong };

// Reads from `fd` into `output` until end of file, `deadline`, or more than `limit` bytes in all.
Reading readUntil(int fd, std::string& output, Clock::time_point deadline, size_t limit) {
    char buffer[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Reading::timedOut;
        pollfd request{fd, POLLIN, 0};
        int ready = poll(&request, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) return Reading::ended;
        if (ready <= 0) continue;
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count > 0) {
            if (static_cast<size_t>(count) > limit - output.size()) return Reading::tooLong;
            output.append(buffer, static_cast<size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            return Reading::ended;
        }
    }
}

// Reaps `pid` if it exits before `deadline`; true when reaped.
bool reapUntil(pid_t pid, Clock::time_point deadline) {
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(10000));
    }
}

pid_t spawnWithPipe(const std::string& path, const std::vector<std::string>& arguments,
                    int writeEnd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group, so a timeout stops the helpers a tool may have started as well.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace

std::string runTool(const std::string& path, const std::vector<std::string>& arguments,
                    double timeout, size_t limit) {
    if (!isExecutableFile(path)) return {};
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    pid_t pid = spawnWithPipe(path, arguments, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return {};
    }

    std::string output;
    bool reaped = false;
    Reading reading = Reading::ended;
    auto finishBy = [&](Clock::time_point deadline) {
        reading = readUntil(fds[0], output, deadline, limit);
        return reading == Reading::ended && (reaped || (reaped = reapUntil(pid, deadline)));
    };
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(std::max(timeout, 0.0)));
    bool finished = finishBy(deadline);
    if (!finished && reading != Reading::tooLong) {
        kill(-pid, SIGTERM);
        finished = finishBy(Clock::now() + killGrace);
    }
    if (!finished) {
        kill(-pid, SIGKILL);
        if (reading != Reading::tooLong)
            reading = readUntil(fds[0], output, Clock::now() + drainGrace, limit);
    }
    close(fds[0]);
    int status = 0;
    while (!reaped && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (reading == Reading::tooLong) return {};
    return Utf8::decodeLossy(output);
}

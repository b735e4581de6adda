// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/tool_runner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/owned_fd.h"
#include "base/utf8.h"

extern char** environ;

namespace ToolRunner {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto killGrace = std::chrono::seconds(2);
// After a kill, output held open by an escaped grandchild is waited for only this long.
constexpr auto drainGrace = std::chrono::milliseconds(500);

// Why the program file at `path` cannot be run; nothing when it can.
std::optional<Error> notRunnable(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 ||
        (S_ISREG(info.st_mode) && access(path.c_str(), X_OK) != 0))
        return Error::fromErrno("cannot run " + path);
    if (!S_ISREG(info.st_mode)) return Error{EACCES, "cannot run " + path + ": not a program file"};
    return std::nullopt;
}

// A pipe: one end stays here, the program gets the other. Both are empty when it failed.
struct Pipe {
    OwnedFd ours;
    OwnedFd theirs;
};

Pipe makePipe(bool programReads) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    OwnedFd readEnd(fds[0]), writeEnd(fds[1]);
    if (programReads) return {std::move(writeEnd), std::move(readEnd)};
    return {std::move(readEnd), std::move(writeEnd)};
}

// The program's ends of its pipes; negative where it keeps this process's descriptor.
struct ProgramEnds {
    int input = -1;
    int output = -1;
    int errors = -1;
};

// Starts the program; -1 with the reason in `error` when it could not be.
pid_t spawn(const std::vector<std::string>& argv, ErrorOutput errors, ProgramEnds ends,
            int& error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (ends.input >= 0) posix_spawn_file_actions_adddup2(&actions, ends.input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends.output, STDOUT_FILENO);
    if (errors == ErrorOutput::discarded)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    else
        posix_spawn_file_actions_adddup2(
            &actions, errors == ErrorOutput::merged ? ends.output : ends.errors, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> pointers;
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    pid_t pid = -1;
    error = posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, pointers.data(), environ);
    if (error != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

enum class Pumping { ended, timedOut, tooLong };

// This process's ends of the pipes to a running program and what went through them.
class Streams {
  public:
    Streams(Pipe& input, std::string_view pending, Pipe& output, Pipe& errors, size_t limit)
        : input_(std::move(input.ours)), pending_(pending), output_(std::move(output.ours)),
          errors_(std::move(errors.ours)), limit_(limit) {
        if (pending_.empty()) input_.reset();
        if (input_) fcntl(input_.get(), F_SETFL, O_NONBLOCK);
    }

    // Feeds the input and collects the outputs until both outputs end, `deadline` passes, or
    // more than the limit came in.
    Pumping pumpUntil(Clock::time_point deadline, Outcome& result) {
        while (output_ || errors_) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return Pumping::timedOut;
            // poll passes over the entries of closed (negative) descriptors.
            pollfd requests[3] = {
                {output_.get(), POLLIN, 0}, {errors_.get(), POLLIN, 0}, {input_.get(), POLLOUT, 0}};
            int ready =
                poll(requests, 3, static_cast<int>(std::min<long long>(left.count(), 1000)));
            if (ready < 0 && errno != EINTR) return Pumping::ended;
            if (ready <= 0) continue;
            if (requests[2].revents) feed();
            if ((requests[0].revents && !collect(output_, result.output, result)) ||
                (requests[1].revents && !collect(errors_, result.errors, result)))
                return Pumping::tooLong;
        }
        return Pumping::ended;
    }

  private:
    void feed() {
        ssize_t count = write(input_.get(), pending_.data(), pending_.size());
        if (count > 0) pending_.remove_prefix(static_cast<size_t>(count));
        if ((count < 0 && errno != EINTR && errno != EAGAIN) || pending_.empty()) input_.reset();
    }

    // Reads once from `from` into `into`; false when that passed the limit.
    bool collect(OwnedFd& from, std::string& into, const Outcome& result) {
        char buffer[65536];
        ssize_t count = read(from.get(), buffer, sizeof buffer);
        if (count > 0) {
            if (static_cast<size_t>(count) > limit_ - result.output.size() - result.errors.size())
                return false;
            into.append(buffer, static_cast<size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            from.reset();
        }
        return true;
    }

    OwnedFd input_;
    std::string_view pending_;
    OwnedFd output_;
    OwnedFd errors_;
    size_t limit_;
};

// Reaps `pid` into `status` if it exits before `deadline`; true when reaped.
bool reapUntil(pid_t pid, Clock::time_point deadline, int& status) {
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(10000));
    }
}

// Lets the program run to `timeout`, then stops its group; returns how the pumping ended and
// sets `result.status` for a program that exited in time.
Pumping supervise(pid_t pid, Streams& streams, double timeout, Outcome& result) {
    int status = 0;
    bool reaped = false;
    Pumping pumping = Pumping::ended;
    auto finishBy = [&](Clock::time_point deadline) {
        pumping = streams.pumpUntil(deadline, result);
        return pumping == Pumping::ended && (reaped || (reaped = reapUntil(pid, deadline, status)));
    };
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(std::max(timeout, 0.0)));
    bool inTime = finishBy(deadline);
    bool finished = inTime;
    if (!finished && pumping != Pumping::tooLong) {
        kill(-pid, SIGTERM);
        finished = finishBy(Clock::now() + killGrace);
    }
    if (!finished) {
        kill(-pid, SIGKILL);
        if (pumping != Pumping::tooLong)
            pumping = streams.pumpUntil(Clock::now() + drainGrace, result);
    }
    while (!reaped && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (inTime && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return pumping;
}

} // namespace

Result<Outcome> run(const std::vector<std::string>& argv, const Options& options) {
    if (argv.empty()) return Error{EINVAL, "no program to run"};
    if (std::optional<Error> problem = notRunnable(argv[0])) return *problem;
    // A program that exits before reading all of its input must not take this process down.
    if (options.input) signal(SIGPIPE, SIG_IGN);
    Pipe input = options.input ? makePipe(true) : Pipe{};
    Pipe output = makePipe(false);
    Pipe errors = options.errors == ErrorOutput::kept ? makePipe(false) : Pipe{};
    if ((options.input && !input.ours) || !output.ours ||
        (options.errors == ErrorOutput::kept && !errors.ours))
        return Error::fromErrno("cannot run " + argv[0]);
    int spawnError = 0;
    pid_t pid = spawn(
        argv, options.errors,
        {.input = input.theirs.get(), .output = output.theirs.get(), .errors = errors.theirs.get()},
        spawnError);
    input.theirs.reset();
    output.theirs.reset();
    errors.theirs.reset();
    if (pid < 0)
        return Error::fromCode("cannot run " + argv[0], {spawnError, std::system_category()});
    std::string_view pending = options.input ? std::string_view(*options.input) : "";
    Streams streams(input, pending, output, errors, options.limit);
    Outcome result;
    if (supervise(pid, streams, options.timeout, result) == Pumping::tooLong)
        return Error{EFBIG, argv[0] + " wrote more than " + std::to_string(options.limit) +
                                " bytes and was stopped"};
    return result;
}

} // namespace ToolRunner

Result<std::string> runTool(const std::string& path, const std::vector<std::string>& arguments,
                            double timeout, size_t limit) {
    std::vector<std::string> argv{path};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Result<ToolRunner::Outcome> ran = ToolRunner::run(argv, {.timeout = timeout, .limit = limit});
    if (!ran) return ran.error();
    return Utf8::decodeLossy(ran->output);
}

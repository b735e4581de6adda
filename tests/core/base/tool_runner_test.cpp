#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/tool_runner.h"

namespace {

// A shell script in a fresh temporary directory.
class Script {
  public:
    explicit Script(const std::string& body, bool executable = true) {
        char pattern[] = "/tmp/nv-tool-XXXXXX";
        directory_ = mkdtemp(pattern);
        path_ = directory_ + "/tool.sh";
        std::ofstream(path_) << "#!/bin/sh\n" << body << "\n";
        chmod(path_.c_str(), executable ? 0755 : 0644);
    }
    ~Script() { std::filesystem::remove_all(directory_); }
    const std::string& path() const { return path_; }
    std::string file(const char* name) const { return directory_ + "/" + name; }

  private:
    std::string directory_;
    std::string path_;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// True when `pid` has gone within a couple of seconds (an orphan is reaped by init).
bool endsSoon(pid_t pid) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (kill(pid, 0) != 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

pid_t pidIn(const std::string& file) {
    pid_t pid = 0;
    std::ifstream(file) >> pid;
    return pid;
}

// Expects the script (its pid in "<script>.pid") and the grandchild it started (its pid in
// "<script>.<grandchild>") to have ended.
void expectGroupEnded(const Script& script, const std::string& grandchild) {
    pid_t tool = pidIn(script.path() + ".pid");
    pid_t other = pidIn(script.path() + "." + grandchild);
    ASSERT_GT(tool, 0);
    ASSERT_GT(other, 0);
    EXPECT_TRUE(endsSoon(tool)) << "the tool is still running";
    EXPECT_TRUE(endsSoon(other)) << "the " << grandchild << " is still running";
}

// The output of a tool that must have run.
std::string outputOf(const Result<std::string>& ran) {
    EXPECT_TRUE(ran.ok()) << ran.error().message;
    return ran ? *ran : "";
}

// The reason a tool could not be run, or "ran" when it could.
std::string failureOf(const Result<std::string>& ran) {
    return ran ? "ran" : ran.error().message;
}

ToolRunner::Options merged(std::string input, double timeout = 10) {
    return {
        .input = std::move(input), .errors = ToolRunner::ErrorOutput::merged, .timeout = timeout};
}

} // namespace

TEST(RunTool, MissingOrNonExecutableFilesStartNothingAndSayWhy) {
    EXPECT_EQ(failureOf(runTool("/nonexistent/tool", {}, 1)),
              "cannot run /nonexistent/tool: No such file or directory");
    Script script("touch \"$0.ran\"", false);
    EXPECT_EQ(failureOf(runTool(script.path(), {}, 1)),
              "cannot run " + script.path() + ": Permission denied");
    EXPECT_FALSE(std::filesystem::exists(script.path() + ".ran"));
    EXPECT_EQ(failureOf(runTool("/tmp", {}, 1)), "cannot run /tmp: not a program file");
}

TEST(RunTool, ReturnsStandardOutputWhateverTheStatusWithInvalidUtf8Replaced) {
    Script failing("printf 'f\\377g\\n'; echo two; echo noise >&2; exit 1");
    EXPECT_EQ(outputOf(runTool(failing.path(), {}, 5)), "f\xEF\xBF\xBDg\ntwo\n");
    Script quiet("echo only errors >&2");
    EXPECT_EQ(outputOf(runTool(quiet.path(), {}, 5)), "");
}

TEST(RunTool, PassesArgumentsVerbatim) {
    Script script("echo $#; for a in \"$@\"; do printf '[%s]' \"$a\"; done");
    EXPECT_EQ(outputOf(runTool(script.path(), {}, 5)), "0\n");
    EXPECT_EQ(outputOf(runTool(script.path(), {"a b", "*", "$HOME", ""}, 5)),
              "4\n[a b][*][$HOME][]");
}

TEST(RunTool, StopsTheWholeGroupAtTheTimeout) {
    // The sleeper is a grandchild in the tool's process group.
    Script script("sleep 60 & echo $! > \"$0.sleeper\"; echo started; echo $$ > \"$0.pid\"; "
                  "sleep 60; echo late");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(outputOf(runTool(script.path(), {}, 0.5)), "started\n");
    EXPECT_LT(secondsSince(start), 2.0);
    expectGroupEnded(script, "sleeper");
}

TEST(RunTool, KillsAToolThatIgnoresTheTerminationRequest) {
    Script script("trap '' TERM; echo stubborn; while :; do sleep 0.1; done");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(outputOf(runTool(script.path(), {}, 0.3)), "stubborn\n");
    double elapsed = secondsSince(start);
    EXPECT_GT(elapsed, 2.0);
    EXPECT_LT(elapsed, 5.0);
}

TEST(RunTool, DoesNotWaitForeverOnAToolThatClosedItsOutput) {
    Script script("echo done; exec >&-; sleep 60");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(outputOf(runTool(script.path(), {}, 0.5)), "done\n");
    EXPECT_LT(secondsSince(start), 3.0);
}

TEST(RunTool, OutputBeyondTheLimitFailsAndStopsTheWholeGroup) {
    // The writer is a grandchild in the tool's process group; the tool itself only waits.
    Script script("yes nattervane & echo $! > \"$0.writer\"; echo $$ > \"$0.pid\"; wait");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf(runTool(script.path(), {}, 60)), script.path() + " wrote more than " +
                                                             std::to_string(toolOutputLimit) +
                                                             " bytes and was stopped");
    EXPECT_LT(secondsSince(start), 20.0);
    expectGroupEnded(script, "writer");
}

TEST(RunTool, OutputUpToTheLimitIsKept) {
    Script script("head -c 100000 /dev/zero | tr '\\0' x");
    EXPECT_EQ(outputOf(runTool(script.path(), {}, 20, 100000)).size(), 100000u);
    EXPECT_FALSE(runTool(script.path(), {}, 20, 99999).ok());
}

TEST(ToolRunner, KeptErrorsCountTowardsTheLimit) {
    Script script("head -c 60000 /dev/zero | tr '\\0' x >&2; head -c 50000 /dev/zero");
    ToolRunner::Options options{.errors = ToolRunner::ErrorOutput::kept, .timeout = 20};
    options.limit = 110000;
    ToolRunner::Outcome kept = ToolRunner::run({script.path()}, options).value();
    EXPECT_EQ(kept.status, 0);
    EXPECT_EQ(kept.errors.size(), 60000u);
    EXPECT_EQ(kept.output.size(), 50000u);
    options.limit = 100000;
    EXPECT_FALSE(ToolRunner::run({script.path()}, options).ok());
}

TEST(ToolRunner, FeedsStandardInputAndReportsTheExitStatus) {
    std::vector<std::string> argv{"/bin/sh", "-c", "cat; echo oops >&2; exit 3"};
    std::string input = "line one\nline two\n";
    EXPECT_EQ(ToolRunner::run(argv, merged(input)).value(),
              (ToolRunner::Outcome{.status = 3, .output = input + "oops\n"}));
    EXPECT_EQ(
        ToolRunner::run(argv, {.input = input, .errors = ToolRunner::ErrorOutput::kept}).value(),
        (ToolRunner::Outcome{.status = 3, .output = input, .errors = "oops\n"}));
    EXPECT_EQ(ToolRunner::run(argv, {.input = input}).value(),
              (ToolRunner::Outcome{.status = 3, .output = input}));
}

TEST(ToolRunner, LargeInputAndOutputDoNotDeadlock) {
    std::string input(4 * 1024 * 1024, 'x');
    ToolRunner::Outcome result = ToolRunner::run({"/bin/cat"}, merged(input, 30)).value();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output.size(), input.size());
}

TEST(ToolRunner, AProgramThatIgnoresItsInputStillFinishes) {
    EXPECT_EQ(ToolRunner::run({"/bin/true"}, merged(std::string(1024 * 1024, 'x'))).value().status,
              0);
}

TEST(ToolRunner, ProgramsThatCannotStartFailWithTheReason) {
    Result<ToolRunner::Outcome> missing =
        ToolRunner::run({"/nonexistent/nft", "-f", "-"}, merged("x"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_FALSE(ToolRunner::run({}, merged("")).ok());
}

TEST(ToolRunner, ProgramsThatDoNotExitByThemselvesGiveStatusMinusOne) {
    EXPECT_EQ(ToolRunner::run({"/bin/sleep", "10"}, merged("", 0.2)).value().status, -1);
    EXPECT_EQ(ToolRunner::run({"/bin/sh", "-c", "echo half; kill -9 $$"}, merged("")).value(),
              (ToolRunner::Outcome{.status = -1, .output = "half\n"}));
}

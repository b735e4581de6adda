#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/tool_runner.h"
#include "temp_dir.h"

namespace {

// A shell script in a fresh temporary directory.
class Script {
  public:
    explicit Script(const std::string& body, bool executable = true) {
        std::ofstream(path()) << "#!/bin/sh\n" << body << "\n";
        chmod(path().c_str(), executable ? 0755 : 0644);
    }
    std::string path() const { return directory_ / "tool.sh"; }

  private:
    TempDir directory_;
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
    EXPECT_EQ(ToolRunner::run({"/nonexistent/nft", "-f", "-"}, merged("x")).error().code, ENOENT);
    EXPECT_FALSE(ToolRunner::run({}, merged("")).ok());
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

// Still running at the timeout: what it wrote until then is kept, and the tool (with the sleeper
// it started, in its process group) is stopped at once or, ignoring the request, killed two
// seconds later. A tool that closed its output is not waited on until it ends.
TEST(RunTool, AToolStillRunningAtTheTimeoutIsStopped) {
    struct Case {
        std::string body;
        double timeout;
        std::string output;
        double fastest, slowest;
    };
    const std::string sleeper = "sleep 60 & echo $! > \"$0.sleeper\"; echo $$ > \"$0.pid\"; ";
    for (const Case& c : {
             Case{sleeper + "echo started; sleep 60; echo late", 0.5, "started\n", 0, 2},
             Case{"trap '' TERM; echo stubborn; while :; do sleep 0.1; done", 0.3, "stubborn\n", 2,
                  5},
             Case{"echo done; exec >&-; sleep 60", 0.5, "done\n", 0, 3},
         }) {
        SCOPED_TRACE(c.body);
        Script script(c.body);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(outputOf(runTool(script.path(), {}, c.timeout)), c.output);
        double elapsed = secondsSince(start);
        EXPECT_GE(elapsed, c.fastest);
        EXPECT_LT(elapsed, c.slowest);
        if (c.body.starts_with(sleeper)) expectGroupEnded(script, "sleeper");
    }
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

TEST(ToolRunner, ProgramsThatDoNotExitByThemselvesGiveStatusMinusOne) {
    EXPECT_EQ(ToolRunner::run({"/bin/sleep", "10"}, merged("", 0.2)).value().status, -1);
    EXPECT_EQ(ToolRunner::run({"/bin/sh", "-c", "echo half; kill -9 $$"}, merged("")).value(),
              (ToolRunner::Outcome{.status = -1, .output = "half\n"}));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/tool_runner.h"
#include "temp_dir.h"

using ToolRunner::Outcome;

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

// Whether the process whose pid the script wrote to "<script>.<name>" is gone within a couple of
// seconds (an orphan is reaped by init).
bool endsSoon(const Script& script, const std::string& name) {
    pid_t pid = 0;
    std::ifstream(script.path() + "." + name) >> pid;
    for (int attempt = 0; pid > 0 && attempt < 200; ++attempt) {
        if (kill(pid, 0) != 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The output of a tool, or why it could not be run.
std::string ran(const Result<std::string>& result) {
    return result ? *result : "failed: " + result.error().message;
}

ToolRunner::Options merged(std::string input, double timeout = 10) {
    return {
        .input = std::move(input), .errors = ToolRunner::ErrorOutput::merged, .timeout = timeout};
}

} // namespace

TEST(RunTool, MissingOrNonExecutableFilesStartNothingAndSayWhy) {
    EXPECT_EQ(ran(runTool("/nonexistent/tool", {}, 1)),
              "failed: cannot run /nonexistent/tool: No such file or directory");
    Script script("touch \"$0.ran\"", false);
    EXPECT_EQ(ran(runTool(script.path(), {}, 1)),
              "failed: cannot run " + script.path() + ": Permission denied");
    EXPECT_FALSE(std::filesystem::exists(script.path() + ".ran"));
    EXPECT_EQ(ran(runTool("/tmp", {}, 1)), "failed: cannot run /tmp: not a program file");
    EXPECT_FALSE(ToolRunner::run({}, merged("")).ok());
}

// Standard output whatever the status, invalid UTF-8 replaced; standard error is dropped.
TEST(RunTool, PassesArgumentsVerbatimAndReturnsStandardOutput) {
    Script script("printf 'f\\377g\\n'; echo $#; for a in \"$@\"; do printf '[%s]' \"$a\"; done; "
                  "echo noise >&2; exit 1");
    EXPECT_EQ(ran(runTool(script.path(), {"a b", "*", "$HOME", ""}, 5)),
              "f\xEF\xBF\xBDg\n4\n[a b][*][$HOME][]");
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
        EXPECT_EQ(ran(runTool(script.path(), {}, c.timeout)), c.output);
        double elapsed = secondsSince(start);
        EXPECT_TRUE(elapsed >= c.fastest && elapsed < c.slowest) << elapsed;
        EXPECT_TRUE(!c.body.starts_with(sleeper) ||
                    (endsSoon(script, "pid") && endsSoon(script, "sleeper")));
    }
}

TEST(RunTool, OutputBeyondTheLimitFailsAndStopsTheWholeGroup) {
    // The writer is a grandchild in the tool's process group; the tool itself only waits.
    Script script("yes nattervane & echo $! > \"$0.writer\"; echo $$ > \"$0.pid\"; wait");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ran(runTool(script.path(), {}, 60)),
              "failed: " + script.path() + " wrote more than " + std::to_string(toolOutputLimit) +
                  " bytes and was stopped");
    EXPECT_LT(secondsSince(start), 20.0);
    EXPECT_TRUE(endsSoon(script, "pid") && endsSoon(script, "writer"));
}

// Output up to the limit is kept; errors kept apart count towards it, discarded ones do not.
TEST(ToolRunner, OutputUpToTheLimitIsKept) {
    Script script("head -c 60000 /dev/zero | tr '\\0' x >&2; head -c 50000 /dev/zero");
    ToolRunner::Options options{.errors = ToolRunner::ErrorOutput::kept, .timeout = 20};
    options.limit = 110000;
    Outcome kept = ToolRunner::run({script.path()}, options).value();
    EXPECT_TRUE(kept.status == 0 && kept.errors.size() == 60000 && kept.output.size() == 50000);
    options.limit = 109999;
    EXPECT_FALSE(ToolRunner::run({script.path()}, options).ok());
    EXPECT_EQ(ran(runTool(script.path(), {}, 20, 50000)).size(), 50000u);
    EXPECT_FALSE(runTool(script.path(), {}, 20, 49999).ok());
}

TEST(ToolRunner, FeedsStandardInputWithoutDeadlockAndReportsTheExitStatus) {
    std::vector<std::string> argv{"/bin/sh", "-c", "cat; echo oops >&2; exit 3"};
    std::string input = "line one\nline two\n";
    EXPECT_EQ(ToolRunner::run(argv, merged(input)).value(),
              (Outcome{.status = 3, .output = input + "oops\n"}));
    EXPECT_EQ(
        ToolRunner::run(argv, {.input = input, .errors = ToolRunner::ErrorOutput::kept}).value(),
        (Outcome{.status = 3, .output = input, .errors = "oops\n"}));
    // Neither a program reading all of a large input nor one ignoring it leaves the writer stuck.
    const std::string large(4 * 1024 * 1024, 'x');
    Outcome copied = ToolRunner::run({"/bin/cat"}, merged(large, 30)).value();
    EXPECT_TRUE(copied.status == 0 && copied.output == large);
    EXPECT_EQ(ToolRunner::run({"/bin/true"}, merged(large)).value().status, 0);
    // Programs that do not exit by themselves give status -1.
    EXPECT_EQ(ToolRunner::run({"/bin/sleep", "10"}, merged("", 0.2)).value().status, -1);
    EXPECT_EQ(ToolRunner::run({"/bin/sh", "-c", "echo half; kill -9 $$"}, merged("")).value(),
              (Outcome{.status = -1, .output = "half\n"}));
}

#include <algorithm>
#include <string>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "listers.h"
#include "loopback_connection.h"

namespace {

bool listsOwnConnection(const Listers::Listing& listing, const LoopbackConnection& connection) {
    return std::any_of(listing.flows.begin(), listing.flows.end(), [&](const Flow& flow) {
        return flow.pid == getpid() && flow.proto == "tcp" && flow.remoteIP == "127.0.0.1" &&
               flow.remotePort == connection.port();
    });
}

} // namespace

TEST(Listers, PrimaryListerFindsThisProcessesConnection) {
    LoopbackConnection connection;
    const auto& linux = platform::linux();
    Listers::Listing listing = Listers::list(linux.primaryLister, linux.fallbackLister);
    EXPECT_EQ(listing.source, "ss");
    EXPECT_TRUE(listsOwnConnection(listing, connection));
}

TEST(Listers, FallsBackToLsofWhenThePrimaryToolIsMissing) {
    LoopbackConnection connection;
    platform::ToolCommand missing = platform::linux().primaryLister;
    missing.path = "/nonexistent/ss";
    Listers::Listing listing = Listers::list(missing, platform::linux().fallbackLister);
    EXPECT_EQ(listing.source, "lsof");
    EXPECT_TRUE(listsOwnConnection(listing, connection));
}

TEST(Listers, NothingFromEitherToolReportsTheFallback) {
    platform::ToolCommand silent{"/bin/true", {}, "quiet", platform::ListerFormat::ss};
    platform::ToolCommand missing{"/nonexistent", {}, "gone", platform::ListerFormat::lsof};
    EXPECT_EQ(Listers::list(silent, missing), (Listers::Listing{{}, "gone"}));
}

namespace {

// A child process that renames itself to `name` (as far as the kernel's 15 bytes go) and holds
// a loopback TCP connection to itself until the object goes.
class CraftedProcess {
  public:
    explicit CraftedProcess(const std::string& name) {
        int ready[2], hold[2];
        if (pipe(ready) != 0 || pipe(hold) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(hold[1]);
            prctl(PR_SET_NAME, name.c_str());
            LoopbackConnection connection;
            int64_t port = connection.port();
            if (write(ready[1], &port, sizeof port) != sizeof port) _exit(1);
            char byte;
            while (read(hold[0], &byte, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(hold[0]);
        hold_ = hold[1];
        if (read(ready[0], &port_, sizeof port_) != sizeof port_) port_ = -1;
        close(ready[0]);
    }
    ~CraftedProcess() {
        close(hold_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    CraftedProcess(const CraftedProcess&) = delete;
    CraftedProcess& operator=(const CraftedProcess&) = delete;

    pid_t pid() const { return pid_; }
    int64_t port() const { return port_; }

  private:
    pid_t pid_ = -1;
    int hold_ = -1;
    int64_t port_ = -1;
};

class CraftedName : public testing::TestWithParam<std::string> {};

TEST_P(CraftedName, CannotChangeThePidOrTheNumberOfFlows) {
    CraftedProcess process(GetParam());
    ASSERT_GT(process.port(), 0);
    const auto& linux = platform::linux();
    Listers::Listing listing = Listers::list(linux.primaryLister, linux.fallbackLister);
    ASSERT_EQ(listing.source, "ss");
    int toItsPort = 0, ofItsPid = 0;
    for (const Flow& flow : listing.flows) {
        if (flow.remoteIP == "127.0.0.1" && flow.remotePort == process.port()) {
            ++toItsPort;
            EXPECT_EQ(flow.pid, process.pid());
            EXPECT_EQ(flow.process, GetParam().substr(0, 15));
        }
        ofItsPid += flow.pid == process.pid();
    }
    // Its two ends: the client's flow to the listening port and the accepted socket's back.
    EXPECT_EQ(toItsPort, 1);
    EXPECT_EQ(ofItsPid, 2);
}

INSTANTIATE_TEST_SUITE_P(Names, CraftedName,
                         testing::Values("x\",pid=1,fd=9),", "a\nudp ESTAB 0 0", "\ttcp 1.2.3.4:5",
                                         "y)),((\"z\",pid=1", "ino:1 users:(("));

} // namespace

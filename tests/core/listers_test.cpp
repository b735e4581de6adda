#include <algorithm>

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

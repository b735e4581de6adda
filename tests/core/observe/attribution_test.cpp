// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "observe/attribution.h"
#include "observe/owner_memory.h"

using namespace std::chrono_literals;

namespace {

const Dates::TimePoint start{std::chrono::hours(500000)};

Flow listed(int32_t pid, const char* process, uint64_t cookie, int64_t localPort,
            bool closed = false) {
    Flow flow{pid, process, "tcp", "203.0.113.7", 443, 10, 20};
    flow.facts = {cookie, 1000, 0, "192.0.2.1", localPort, closed};
    return flow;
}

ConnectEvent made(uint64_t cookie, const char* exe, int32_t pid = 900) {
    return {start, pid, 1000, 0, "short", exe, 0, 0, cookie, "tcp", "203.0.113.9", 80};
}

// An attribution whose processes have the paths given, and no cgroups.
class AttributionTest : public testing::Test {
  protected:
    Attribution attribution_{[this](int32_t pid) -> std::optional<std::string> {
                                 if (auto found = paths_.find(pid); found != paths_.end())
                                     return found->second;
                                 return std::nullopt;
                             },
                             platform::linux(), SocketOrigins(CgroupNames(""), UnitNames({}))};
    std::map<int32_t, std::string> paths_{{10, "/usr/bin/editor"}};

    std::vector<std::string> names(std::vector<Flow> flows,
                                   const std::vector<ConnectEvent>& events = {},
                                   Dates::TimePoint at = start) {
        std::vector<std::string> result;
        for (const auto& owned : attribution_.attribute(std::move(flows), events, Lang::en, at))
            result.push_back(std::to_string(owned.flow.pid) + " " + owned.app.name);
        return result;
    }
};

} // namespace

TEST_F(AttributionTest, AnEventNamesItsSocketEvenAfterItsProcessIsGone) {
    // The event's socket is listed without its holder (its program is known); another event's
    // socket is gone already and becomes a flow of its own.
    EXPECT_EQ(names({listed(-1, "?", 5, 40000), listed(10, "editor", 6, 40001)},
                    {made(5, "/opt/a/fetch"), made(7, "/opt/b/ping", 901)}),
              (std::vector<std::string>{"900 fetch", "10 editor", "901 ping"}));
    EXPECT_TRUE(attribution_.toldByEvents(5, {}));
    EXPECT_FALSE(attribution_.toldByEvents(6, {}));
    // At the next scan the socket, still listed without its holder, keeps the event's program.
    EXPECT_EQ(names({listed(-1, "?", 5, 40000)}), std::vector<std::string>{"900 fetch"});
}

TEST_F(AttributionTest, WhatAClosedConnectionLeavesIsNamedAfterItsProgramOrSaidUnseen) {
    names({listed(10, "editor", 6, 40001)});
    // TIME-WAIT: the same cookie; or the same pair of addresses when the lister tells no cookie.
    EXPECT_EQ(names({listed(-1, "?", 6, 40001, true)}), std::vector<std::string>{"10 editor"});
    EXPECT_EQ(names({listed(-1, "?", 0, 40001, true)}), std::vector<std::string>{"10 editor"});
    EXPECT_EQ(names({listed(-1, "?", 8, 40009, true)}),
              std::vector<std::string>{"-1 Program not seen (closed first)"});
    // A live socket no process can be read for is named by its user.
    EXPECT_TRUE(names({listed(-1, "?", 9, 40010)}).at(0).starts_with("-1 Program of user "));
    // Two minutes on, the memory has let go.
    EXPECT_EQ(names({listed(-1, "?", 6, 40001, true)}, {}, start + 3min),
              std::vector<std::string>{"-1 Program not seen (closed first)"});
}

TEST(OwnerMemory, KeepsTheNewestWithinItsBound) {
    OwnerMemory memory(2, 60s);
    auto flow = [](uint64_t cookie) { return listed(1, "x", cookie, 40000 + int64_t(cookie)); };
    for (uint64_t cookie : {1, 2, 3})
        memory.remember(flow(cookie), {int32_t(cookie), AppIdentity{"p"}, false}, start);
    // Two cookies and two pairs.
    EXPECT_EQ(memory.size(), 4u);
    EXPECT_FALSE(memory.recall(flow(1)));
    EXPECT_EQ(memory.recall(flow(3))->pid, 3);
    // Remembered again, a key counts from then.
    memory.remember(flow(2), {2, AppIdentity{"p"}, true}, start + 50s);
    memory.expire(start + 70s);
    EXPECT_FALSE(memory.recall(flow(3)));
    EXPECT_TRUE(memory.toldByEvent(2));
    // The same owner again soon after keeps the time the key has: it stays its lifetime from then.
    memory.remember(flow(2), {2, AppIdentity{"p"}, true}, start + 60s);
    memory.expire(start + 109s);
    EXPECT_TRUE(memory.toldByEvent(2));
    memory.expire(start + 111s);
    EXPECT_FALSE(memory.recall(flow(2)));
}

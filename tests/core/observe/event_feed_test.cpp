// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "fake_event_service.h"
#include "observe/ask_wire.h"
#include "observe/event_feed.h"
#include "temp_dir.h"

using namespace std::chrono_literals;

namespace {

ConnectEvent event(uint64_t cookie) {
    const Dates::TimePoint at(std::chrono::milliseconds(1796725792521));
    return {at, 4711, 1000, 77, "curl", "/usr/bin/curl", 9, 12, cookie, "tcp", "203.0.113.7", 443};
}

// The service greets or answers the feed, which connects at its take.
class FakeService : public FakeEventService {
  public:
    using FakeEventService::FakeEventService;
    // Tells `text` to the feed, which connects at its take, and hangs up after it when asked.
    void answer(EventFeed& feed, const std::string& text, bool hangUp) {
        std::thread speaker([&] {
            accept();
            EXPECT_TRUE(say(text));
            if (hangUp) this->hangUp();
        });
        feed.take();
        speaker.join();
    }
};

} // namespace

TEST(EventWire, LinesReadBackAndAnythingElseIsNoMessage) {
    ConnectEvent withoutPath = event(9);
    withoutPath.exePath.reset();
    withoutPath.refused = true;
    ConnectEvent held = event(10);
    held.held = true;
    const HeldQuestion question{3, held, "www.example", 2, held.at + 30s};
    for (const EventWire::Message& message : std::vector<EventWire::Message>{
             EventWire::Hello{1}, EventWire::Hello{1, "nft queue"}, EventWire::Beat{5},
             EventWire::Refusal{"not you"}, event(8), withoutPath, question,
             HeldSettled{3, false, HeldSettled::By::deadline}, EventWire::Listed{1}}) {
        std::string line = EventWire::line(message);
        ASSERT_TRUE(line.ends_with('\n'));
        EXPECT_EQ(EventWire::read(line.substr(0, line.size() - 1)), message) << line;
    }
    std::string whole = EventWire::line(event(8));
    for (const std::string& bad :
         std::vector<std::string>{"", "[1,2]", "\"x\"", whole.substr(0, whole.size() / 2),
                                  R"({"pid":1})", R"({"service":"x"})", R"({"beat":-1})",
                                  R"({"settled":1,"allowed":true,"by":"chance"})"})
        EXPECT_EQ(EventWire::read(bad), std::nullopt) << bad;
}

TEST(AskWire, RequestsReadBackAndAnythingElseIsNone) {
    for (const AskWire::Request& request :
         std::vector<AskWire::Request>{AskWire::Attach{true}, AskWire::List{},
                                       AskWire::Answer{7, false}, AskWire::Extend{7}}) {
        std::string line = AskWire::line(request);
        EXPECT_EQ(AskWire::read(line.substr(0, line.size() - 1)), request) << line;
    }
    for (const char* bad : {"", "{}", R"({"answer":-1,"verdict":"allow"})",
                            R"({"answer":1,"verdict":"maybe"})", R"({"attach":1})"})
        EXPECT_EQ(AskWire::read(bad), std::nullopt) << bad;
}

TEST(EventFeed, TakesWhatTheServiceToldAndSaysWhyWhenItCannot) {
    TempDir dir;
    Dates::TimePoint now{};
    EventFeed feed(dir / "socket", 3s, [&now] { return now; });
    EXPECT_TRUE(feed.take().empty());
    EXPECT_EQ(feed.state(), EventFeed::State::absent);

    FakeService service(dir / "socket");
    service.answer(feed, EventWire::line(EventWire::Hello{EventWire::version}), false);
    // Greeted within the take that connected, or at the next.
    if (!feed.live()) feed.take();
    ASSERT_TRUE(feed.live());

    // A line may arrive in pieces; a heartbeat tells the drops.
    std::string line = EventWire::line(event(1));
    ASSERT_TRUE(service.say(line.substr(0, 10)));
    EXPECT_TRUE(feed.take().empty());
    ASSERT_TRUE(service.say(line.substr(10) + EventWire::line(EventWire::Beat{3}) +
                            EventWire::line(event(2))));
    EXPECT_EQ(feed.take(), (std::vector<ConnectEvent>{event(1), event(2)}));
    EXPECT_EQ(feed.dropped(), 3u);

    // Silence past the limit counts as a service gone.
    now += 4s;
    feed.take();
    EXPECT_EQ(feed.state(), EventFeed::State::lost);
    EXPECT_EQ(feed.problem(), "the event service stopped answering");
}

TEST(EventFeed, ARefusalAnEndOrGarbageDropsTheConnection) {
    struct Case {
        std::string said;
        EventFeed::State state;
        std::string problem;
    };
    std::string hello = EventWire::line(EventWire::Hello{EventWire::version});
    for (const Case& c : {
             Case{EventWire::line(EventWire::Refusal{"not you"}), EventFeed::State::refused,
                  "not you"},
             Case{hello, EventFeed::State::lost, "the event service closed the connection"},
             // Closed before its greeting: the next take connects anew.
             Case{"", EventFeed::State::lost, "the event service closed the connection"},
             Case{hello + "{oops\n", EventFeed::State::lost,
                  "the event service wrote what is not an event"},
             Case{hello + std::string(EventFeed::kLongestLine + 1, 'x'), EventFeed::State::lost,
                  "the event service wrote a line too long to be one of its own"},
             Case{EventWire::line(EventWire::Hello{99}), EventFeed::State::lost,
                  "the event service speaks another version"},
         }) {
        TempDir dir;
        FakeService service(dir / "socket");
        EventFeed feed(dir / "socket");
        service.answer(feed, c.said, true);
        // What arrived after the first take ends the connection at the next.
        feed.take();
        EXPECT_EQ(feed.state(), c.state) << c.said.substr(0, 40);
        EXPECT_EQ(feed.problem(), c.problem) << c.said.substr(0, 40);
    }
}

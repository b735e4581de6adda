// SPDX-License-Identifier: GPL-3.0-or-later
#include <netinet/in.h>

#include <gtest/gtest.h>

#include "bpf/connect_event.h"
#include "hold_book.h"

using namespace std::chrono_literals;
using Verdict = HoldBook::Verdict;

namespace {

const Dates::TimePoint start(std::chrono::seconds(1796725792));

// A connection of `program` to 203.0.113.`host`:443 marked in slot `slot`.
ConnectEvent marked(uint64_t slot, const std::string& program = "/usr/bin/curl", int host = 7) {
    ConnectEvent event{start,
                       4711,
                       1000,
                       77,
                       "curl",
                       program,
                       9,
                       12,
                       slot,
                       "tcp",
                       "203.0.113." + std::to_string(host),
                       443};
    event.held = true;
    return event;
}

PacketQueue::Packet packet(uint32_t id, uint32_t slot, int host = 7) {
    return {id,
            NV_HOLD_TAG | slot,
            {AF_INET, {203, 0, 113, static_cast<uint8_t>(host)}},
            443,
            IPPROTO_TCP};
}

} // namespace

// However many sockets and packets wait, a program and a destination are asked once; the answer
// decides every packet that waited and those of the same sockets after it.
TEST(HoldBook, OneQuestionPerProgramAndDestination) {
    HoldBook book;
    for (uint64_t slot : {1, 2, 3})
        book.marked(marked(slot));
    book.marked(marked(4, "/usr/bin/other"));
    for (auto [id, slot] :
         std::vector<std::pair<uint32_t, uint32_t>>{{10, 1}, {11, 1}, {12, 2}, {13, 4}})
        EXPECT_EQ(book.held(packet(id, slot), start), std::nullopt);
    std::vector<HeldQuestion> changed = book.takeChanged();
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0].waiting, 2u) << "two sockets, three packets";
    EXPECT_EQ(changed[0].deadline, start + 30s);
    EXPECT_EQ(book.answer(changed[0].id, false),
              (std::vector<Verdict>{{10, false}, {11, false}, {12, false}}));
    EXPECT_EQ(book.held(packet(14, 2), start), (Verdict{14, false}));
    EXPECT_EQ(book.takeSettled(),
              (std::vector<HeldSettled>{{changed[0].id, false, HeldSettled::By::answer}}));
    EXPECT_EQ(book.answer(changed[0].id, true), std::vector<Verdict>{}) << "answered already";
    // A new socket in a slot decided before is asked about anew.
    book.marked(marked(2));
    EXPECT_EQ(book.held(packet(15, 2), start), std::nullopt);
}

// A packet the book cannot tie to a marked connection of the same destination goes on at once.
TEST(HoldBook, WhatItCannotTellGoesOn) {
    HoldBook book(HoldBook::Limits{30s, 110s, 256, 1});
    book.marked(marked(1));
    book.marked(marked(2));
    EXPECT_EQ(book.held(packet(1, 9), start), (Verdict{1, true})) << "no such connection";
    EXPECT_EQ(book.held(packet(2, 1, 8), start), (Verdict{2, true})) << "another destination";
    PacketQueue::Packet unmarked = packet(3, 1);
    unmarked.mark = 1;
    EXPECT_EQ(book.held(unmarked, start), (Verdict{3, true})) << "not our mark";
    EXPECT_EQ(book.held(packet(4, 1), start), std::nullopt);
    EXPECT_EQ(book.held(packet(5, 2), start), (Verdict{5, true})) << "the book is full";
}

// Reading moves the deadline on, never past the cap; at the deadline the setting decides, and
// with nobody to answer everything goes on.
TEST(HoldBook, DeadlinesAndNobodyToAnswer) {
    HoldBook book;
    book.marked(marked(1));
    book.marked(marked(2, "/usr/bin/curl", 8));
    book.held(packet(1, 1), start);
    book.held(packet(2, 2, 8), start + 5s);
    const uint64_t first = book.takeChanged().front().id;
    for (auto at : {20s, 50s, 80s, 100s})
        book.extend(first, start + at);
    EXPECT_EQ(book.waiting().front().deadline, start + 110s);
    EXPECT_EQ(book.nextDeadline(), start + 35s);
    EXPECT_EQ(book.expire(start + 35s, true), (std::vector<Verdict>{{2, false}}));
    EXPECT_EQ(book.takeSettled().front().by, HeldSettled::By::deadline);
    EXPECT_EQ(book.releaseAll(), (std::vector<Verdict>{{1, true}}));
    EXPECT_EQ(book.takeSettled().front().by, HeldSettled::By::nobody);
    EXPECT_EQ(book.nextDeadline(), std::nullopt);
}

// The addresses of one host name (a Happy Eyeballs pair, say) are one question.
TEST(HoldBook, AHostsAddressesAreOneQuestion) {
    HoldBook book({}, [](const std::string& ip) {
        return ip.starts_with("203.0.113.") ? std::optional<std::string>("www.example")
                                            : std::nullopt;
    });
    book.marked(marked(1, "/usr/bin/curl", 7));
    book.marked(marked(2, "/usr/bin/curl", 8));
    book.held(packet(1, 1, 7), start);
    book.held(packet(2, 2, 8), start);
    std::vector<HeldQuestion> changed = book.takeChanged();
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].waiting, 2u);
    EXPECT_EQ(changed[0].host, "www.example");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "base/dates.h"
#include "observe/connect_event.h"
#include "packet_queue.h"

// Which held packet waits for which question, and until when. A question is one program and one
// destination: however many of its sockets and packets wait, it is asked once. Every packet gets
// its verdict by the question's deadline whatever the application does; a packet of a connection
// the book has not heard of, or whose question was decided already, gets one at once.
class HoldBook {
  public:
    struct Limits {
        std::chrono::seconds deadline{30};
        // The latest a question may be decided, counted from when it came: a held TCP SYN gives
        // up after about 127 s.
        std::chrono::seconds cap{110};
        size_t questions = 256;
        size_t packets = 4096;
    };

    struct Verdict {
        uint32_t packet = 0;
        bool allow = true;
        bool operator==(const Verdict&) const = default;
    };

    // The host name of an address, when known.
    using NameOf = std::function<std::optional<std::string>(const std::string&)>;

    explicit HoldBook(
        Limits limits,
        NameOf nameOf = [](const std::string&) { return std::optional<std::string>(); })
        : limits_(limits), nameOf_(std::move(nameOf)) {}
    HoldBook() : HoldBook(Limits{}) {}

    // A connection the kernel side marked to be held.
    void marked(const ConnectEvent& event);
    // A held packet: it waits for its question, or is decided at once.
    std::optional<Verdict> held(const PacketQueue::Packet& packet, Dates::TimePoint now);
    // The user's answer: the verdicts of the packets that waited, empty when no such question
    // waits.
    std::vector<Verdict> answer(uint64_t id, bool allow);
    // The user is reading question `id`: its deadline moves on, up to the cap.
    void extend(uint64_t id, Dates::TimePoint now);
    // The verdicts of the questions whose deadline passed: let through, or blocked with
    // `blockAtDeadline`.
    std::vector<Verdict> expire(Dates::TimePoint now, bool blockAtDeadline);
    // Nobody can answer any longer: every waiting packet goes on.
    std::vector<Verdict> releaseAll();

    std::vector<HeldQuestion> waiting() const;
    // Questions that came or changed, and those that ended, since the last call.
    std::vector<HeldQuestion> takeChanged();
    std::vector<HeldSettled> takeSettled();
    // The earliest deadline of a waiting question.
    std::optional<Dates::TimePoint> nextDeadline() const;

  private:
    struct Question {
        HeldQuestion shown;
        Dates::TimePoint came;
        std::vector<uint32_t> packets;
        std::vector<uint32_t> slots;
    };
    // A program and a destination: its host name when known, else its address.
    using Key = std::tuple<std::string, uint32_t, std::string, int64_t, std::string>;
    static Key keyOf(const ConnectEvent& event, const std::optional<std::string>& host);

    std::vector<Verdict> settle(std::map<uint64_t, Question>::iterator question, bool allow,
                                HeldSettled::By by);

    Limits limits_;
    NameOf nameOf_;
    // The connections marked lately, by their mark's slot.
    std::map<uint32_t, ConnectEvent> marked_;
    std::map<uint64_t, Question> questions_;
    std::map<Key, uint64_t> byKey_;
    // How each slot's question ended, for the packets that come after.
    std::map<uint32_t, bool> decided_;
    uint64_t lastId_ = 0;
    size_t packets_ = 0;
    std::vector<uint64_t> changed_;
    std::vector<HeldSettled> settled_;
};

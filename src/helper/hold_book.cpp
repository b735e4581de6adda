// SPDX-License-Identifier: GPL-3.0-or-later
#include "hold_book.h"

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "base/net.h"
#include "bpf/connect_event.h"

namespace {

// Connections and decisions remembered at most; past that the oldest are forgotten, and their
// late packets go on.
constexpr size_t remembered = 4096;

std::string textOf(const ProgramRules::Address& address) {
    char text[INET6_ADDRSTRLEN] = "";
    inet_ntop(static_cast<int>(address.family), address.bytes.data(), text, sizeof text);
    return Net::unmapped(text);
}

const char* protocolName(uint8_t protocol) {
    return protocol == IPPROTO_TCP ? "tcp" : "udp";
}

} // namespace

HoldBook::Key HoldBook::keyOf(const ConnectEvent& event, const std::optional<std::string>& host) {
    return {event.exePath.value_or(event.comm), event.uid, host.value_or(event.remoteIP),
            event.remotePort, event.proto};
}

void HoldBook::marked(const ConnectEvent& event) {
    if (marked_.size() >= remembered) marked_.clear();
    const uint32_t slot = static_cast<uint32_t>(event.cookie) & NV_HOLD_SLOT;
    // A new socket whose cookie shares the slot of one decided before is asked about anew.
    decided_.erase(slot);
    marked_[slot] = event;
}

std::optional<HoldBook::Verdict> HoldBook::held(const PacketQueue::Packet& packet,
                                                Dates::TimePoint now) {
    const uint32_t slot = packet.mark & NV_HOLD_SLOT;
    if (auto decided = decided_.find(slot); decided != decided_.end())
        return Verdict{packet.id, decided->second};
    auto event = marked_.find(slot);
    // Not a connection marked for a question, a packet to another destination than the one asked
    // about, or more waiting than the book holds: it goes on.
    if ((packet.mark & NV_HOLD_MASK) != NV_HOLD_TAG || event == marked_.end() ||
        event->second.remoteIP != textOf(packet.to) || event->second.remotePort != packet.port ||
        event->second.proto != protocolName(packet.protocol) || packets_ >= limits_.packets)
        return Verdict{packet.id, true};
    const std::optional<std::string> host = nameOf_(event->second.remoteIP);
    const Key key = keyOf(event->second, host);
    auto known = byKey_.find(key);
    if (known == byKey_.end()) {
        if (questions_.size() >= limits_.questions) return Verdict{packet.id, true};
        const uint64_t id = ++lastId_;
        known = byKey_.emplace(key, id).first;
        questions_[id] = {{id, event->second, host, 0, now + limits_.deadline}, now, {}, {}};
    }
    Question& question = questions_.at(known->second);
    question.packets.push_back(packet.id);
    ++packets_;
    if (std::find(question.slots.begin(), question.slots.end(), slot) == question.slots.end()) {
        question.slots.push_back(slot);
        question.shown.waiting = static_cast<uint32_t>(question.slots.size());
        changed_.push_back(question.shown.id);
    }
    return std::nullopt;
}

std::vector<HoldBook::Verdict> HoldBook::settle(std::map<uint64_t, Question>::iterator question,
                                                bool allow, HeldSettled::By by) {
    std::vector<Verdict> verdicts;
    for (uint32_t packet : question->second.packets)
        verdicts.push_back({packet, allow});
    packets_ -= question->second.packets.size();
    if (decided_.size() >= remembered) decided_.clear();
    for (uint32_t slot : question->second.slots) {
        decided_[slot] = allow;
        marked_.erase(slot);
    }
    settled_.push_back({question->first, allow, by});
    byKey_.erase(keyOf(question->second.shown.first, question->second.shown.host));
    questions_.erase(question);
    return verdicts;
}

std::vector<HoldBook::Verdict> HoldBook::answer(uint64_t id, bool allow) {
    auto question = questions_.find(id);
    if (question == questions_.end()) return {};
    return settle(question, allow, HeldSettled::By::answer);
}

void HoldBook::extend(uint64_t id, Dates::TimePoint now) {
    auto question = questions_.find(id);
    if (question == questions_.end()) return;
    Dates::TimePoint later = std::min(now + limits_.deadline, question->second.came + limits_.cap);
    if (later <= question->second.shown.deadline) return;
    question->second.shown.deadline = later;
    changed_.push_back(id);
}

std::vector<HoldBook::Verdict> HoldBook::expire(Dates::TimePoint now, bool blockAtDeadline) {
    std::vector<Verdict> verdicts;
    for (auto question = questions_.begin(); question != questions_.end();) {
        auto next = std::next(question);
        if (question->second.shown.deadline <= now)
            for (const Verdict& verdict :
                 settle(question, !blockAtDeadline, HeldSettled::By::deadline))
                verdicts.push_back(verdict);
        question = next;
    }
    return verdicts;
}

std::vector<HoldBook::Verdict> HoldBook::releaseAll() {
    std::vector<Verdict> verdicts;
    while (!questions_.empty())
        for (const Verdict& verdict : settle(questions_.begin(), true, HeldSettled::By::nobody))
            verdicts.push_back(verdict);
    // What is decided later is asked anew, once someone can answer.
    decided_.clear();
    return verdicts;
}

std::vector<HeldQuestion> HoldBook::waiting() const {
    std::vector<HeldQuestion> shown;
    for (const auto& [id, question] : questions_)
        shown.push_back(question.shown);
    return shown;
}

std::vector<HeldQuestion> HoldBook::takeChanged() {
    std::vector<HeldQuestion> shown;
    std::sort(changed_.begin(), changed_.end());
    changed_.erase(std::unique(changed_.begin(), changed_.end()), changed_.end());
    for (uint64_t id : changed_)
        if (auto question = questions_.find(id); question != questions_.end())
            shown.push_back(question->second.shown);
    changed_.clear();
    return shown;
}

std::vector<HeldSettled> HoldBook::takeSettled() {
    return std::exchange(settled_, {});
}

std::optional<Dates::TimePoint> HoldBook::nextDeadline() const {
    std::optional<Dates::TimePoint> next;
    for (const auto& [id, question] : questions_)
        if (!next || question.shown.deadline < *next) next = question.shown.deadline;
    return next;
}

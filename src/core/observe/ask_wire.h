// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// What an application says to the event service about held questions, one JSON line each.
namespace AskWire {

// The application listens for questions; while one does, the service holds. Unanswered at the
// deadline, connections are let through once, or blocked once with `blockAtDeadline`.
struct Attach {
    bool blockAtDeadline = false;
    bool operator==(const Attach&) const = default;
};
// The questions waiting now, once; for a client that only looks (the command-line tool).
struct List {
    bool operator==(const List&) const = default;
};
struct Answer {
    uint64_t id = 0;
    bool allow = true;
    bool operator==(const Answer&) const = default;
};
// The user is reading the question: its deadline moves on, up to the service's cap.
struct Extend {
    uint64_t id = 0;
    bool operator==(const Extend&) const = default;
};

using Request = std::variant<Attach, List, Answer, Extend>;

std::string line(const Request& request);
// The request of one line (without its line break); absent for anything that is not one.
std::optional<Request> read(std::string_view line);

} // namespace AskWire

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/lang.h"
#include "observe/connect_event.h"

// The texts of the questions the event service holds connections for: the question window's
// cards, their answers and how each question ended, the Settings lines about asking, and the
// buttons of notifications.
namespace QuestionTexts {

enum class Key {
    windowTitle,
    allow,
    block,
    once,
    always,
    thisDestination,
    everythingItReaches,
    thisProgram,
    everyProgram,
    howLong,
    what,
    forWhom,
    dismiss,
    allowedAtDeadline,
    blockedAtDeadline,
    allowed,
    blocked,
    nobodyAnswered,
    deadlineChoice,
    letThroughOnce,
    blockOnce,
    // Buttons of notifications, which have no keyboard shortcuts.
    allowButton,
    blockButton,
    details,
    allowOnce,
    // Not a text: the number of keys.
    count,
};

std::string text(Key key, Lang lang);

// The destination of a card: the host name when known, the address, port and protocol.
std::string destination(const std::optional<std::string>& host, std::string_view ip, int64_t port,
                        std::string_view proto, Lang lang);
// How many connections wait for the answer.
std::string waiting(uint32_t connections, Lang lang);
// The seconds left until the service decides on its own.
std::string secondsLeft(int64_t seconds, Lang lang);
// How a question ended.
std::string settled(const HeldSettled& settled, Lang lang);
// A card as assistive technology names it: the program and the destination asked about.
std::string cardName(std::string_view program, std::string_view destination, Lang lang);
// How "ask" works now: connections wait for the answer while the service holds them (by `hold`,
// non-empty), else they are asked about once a scan sees them.
std::string askingWorks(std::string_view hold, Lang lang);

} // namespace QuestionTexts

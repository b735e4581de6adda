// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "base/lang.h"
#include "platform.h"

// The texts of the status menu and of the journal-wipe alert.
namespace MenuTexts {

enum class Key {
    blockingOn,
    whoIsCalling,
    nobody,
    allow,
    block,
    askNextTime,
    blockForProgram,
    blockProgram,
    programRulesOff,
    details,
    blockEverythingNew,
    quietMode,
    pauseWatching,
    turnBlockingOff,
    turnOnBlocking,
    openWindow,
    journal,
    deleteJournal,
    quit,
    wipeQuestion,
    wipeExplanation,
    wipeConfirm,
    wipeCancel,
    // Not a text: the number of keys.
    count,
};

// Texts that name the Mac have a variant for other systems with the same meaning.
std::string text(Key key, Lang lang, platform::Wording wording = platform::current().wording);

// The item that opens the window of the `count` questions waiting for an answer.
std::string questionsWaiting(size_t count, Lang lang);

// The item that blocks every address of program `name`.
std::string blockAllOf(std::string_view name, Lang lang);

} // namespace MenuTexts

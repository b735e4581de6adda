// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/lang.h"
#include "platform.h"

// The texts of the window: frame, Programs, Journal, Rules and Settings tabs.
namespace WindowTexts {

enum class Key {
    // Frame.
    blockEverythingNew,
    quiet,
    programs,
    journal,
    rules,
    settings,
    // Programs tab and detail pane.
    noPrograms,
    systemService,
    blockAllItsAddresses,
    blockingHint,
    allow,
    block,
    ask,
    thisProgramOnly,
    blockThisProgram,
    // Journal tab.
    searchPlaceholder,
    onlyTrackers,
    journalKept,
    deleteJournal,
    columnDay,
    columnProgram,
    columnAddress,
    columnWho,
    columnLast,
    columnSent,
    columnReceived,
    period,
    periodWeek,
    periodToday,
    periodYesterday,
    blocked,
    notBlocked,
    incoming,
    // Rules tab.
    rulesNote,
    removeAllRules,
    noRules,
    columnFromProgram,
    columnAction,
    columnFor,
    everyProgram,
    programRulesOff,
    remove,
    askAction,
    // Settings tab.
    sectionBlocking,
    sectionWatching,
    sectionLanguage,
    sectionPrivacy,
    blockingOff,
    turnOnBlocking,
    blockingOn,
    turnOffAndRemove,
    howItWorks,
    checkEvery,
    seconds3,
    seconds5,
    seconds15,
    minute1,
    showLocal,
    quietMode,
    pause,
    automatic,
    privacyStatement,
    startAtLogin,
    blockingSummary,
    more,
    less,
    // Frame, told to assistive technology and in the first-run hint.
    programIcon,
    trayHintTitle,
    trayHintBody,
    // Not a text: the number of keys.
    count,
};

// Texts that name the Mac, macOS or pf have a variant for other systems with the same meaning.
std::string text(Key key, Lang lang, platform::Wording wording = platform::current().wording);

// The name of tab 0 to 3.
std::string tabName(int tab, Lang lang);

// What the program sends (nothing), the observation tool in use and the size of the tracker list.
std::string footer(std::string_view source, size_t listedDomains, Lang lang,
                   platform::Wording wording = platform::current().wording);

// The second line of a program in the list: its connections and, when any, its trackers. Its
// live rate has a line of its own below, where it is never cut short.
std::string connectionCount(size_t connections, int trackers, Lang lang);
// Below the first destinations of a program shown: how many more there are, and where they are.
std::string moreDestinations(size_t more, Lang lang);

// What the program sends (nothing) and where it keeps its files: `folder`, written from "~" when
// it lies in `home`.
std::string privacyStatement(std::string_view folder, std::string_view home, Lang lang);

// The traffic line of a connection card, with the byte counts already formatted.
std::string traffic(std::string_view sent, std::string_view received, Lang lang);

// The helper's state line: off, or on with the helper's own status after a dash.
std::string helperState(bool installed, std::string_view status, Lang lang);

// The label of the tracker-list switch, with the number of listed domains.
std::string blockListed(size_t listedDomains, Lang lang);

// Under a program's own rule buttons: what the rules follow.
std::string programRulesFollow(std::string_view executable, Lang lang);
// The name a rule button of a card is known by: its action and the destination it acts on;
// `action` is one of allow, block, ask, thisProgramOnly, remove.
std::string ruleButtonName(Key action, std::string_view destination, Lang lang);
// A program's icon as assistive technology names it.
std::string iconName(std::string_view program, Lang lang);

// Whom a rule is for, in the Rules tab: every program, or one by its executable's name.
std::string ruleFor(const std::optional<std::string>& program, Lang lang);
// What a journal row of a blocked connection says of the rule that blocked it: its target (or
// everything), and for which program when for one.
std::string blockedBy(std::string_view target, const std::optional<std::string>& program,
                      Lang lang);

} // namespace WindowTexts
